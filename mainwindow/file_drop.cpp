// Files and folders dropped on the main window: a folder is selected in the tree; files select their
// folder and are ticked in the list, exactly those. Anything else (no local file, a web address, text) is
// not taken, and nothing is said about it.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSet>
#include <QUrl>

#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/message_box.h"

namespace larkspan {
namespace {

constexpr std::string_view kOneFolderAtATime =
    "Only one folder at a time can be converted. The files of the first folder are taken.";

// What a drop asks for: the folder to show and the names in it to tick (none for a dropped folder).
struct DroppedFiles {
    QString folder;
    QSet<QString> names;
    bool otherFolders = false;  // some of the drop lay in other folders and is left out
};

// The local files and folders that exist, in the drop's order; web addresses and the like are left out.
QList<QFileInfo> LocalEntries(const QMimeData* data) {
    QList<QFileInfo> entries;
    if (!data || !data->hasUrls()) return entries;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        QFileInfo entry(url.toLocalFile());
        if (entry.exists()) entries.append(entry);
    }
    return entries;
}

DroppedFiles Sort(const QList<QFileInfo>& entries) {
    DroppedFiles dropped;
    for (const QFileInfo& entry : entries) {
        // The tree names folders without a trailing '/', as cleanPath leaves them.
        const QString folder =
            QDir::cleanPath(entry.isDir() ? entry.absoluteFilePath() : entry.absolutePath());
        if (dropped.folder.isEmpty()) dropped.folder = folder;
        if (folder != dropped.folder) {
            dropped.otherFolders = true;
            continue;
        }
        if (!entry.isDir()) dropped.names.insert(entry.fileName());
    }
    return dropped;
}

}  // namespace

void MainWindowDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalEntries(event->mimeData()).isEmpty()) return;  // not accepted: the cursor says "no"
    event->acceptProposedAction();
}

void MainWindowDialog::dragMoveEvent(QDragMoveEvent* event) {
    // Taken anywhere on the window, over whichever control.
    event->acceptProposedAction();
}

void MainWindowDialog::dropEvent(QDropEvent* event) {
    const QList<QFileInfo> entries = LocalEntries(event->mimeData());
    if (entries.isEmpty()) return;
    event->acceptProposedAction();
    const DroppedFiles dropped = Sort(entries);
    // A folder the tree does not hold (one hidden from it) is not shown, and the drop does nothing.
    if (!tree_->SelectPath(dropped.folder)) return;
    // Selecting the folder already selected lists nothing anew: the ticks are set here either way.
    // Files the Filter hides are not listed and stay so: the Filter is the user's choice, and only the files
    // shown are ticked.
    for (int row = 0; row < list_->GetItemCount(); ++row)
        list_->SetCheck(row, dropped.names.contains(QString::fromStdString(list_->GetItemData(row)->name)));
    if (dropped.otherFolders) messages_->Show(kOneFolderAtATime);
}

}  // namespace larkspan
