#include "mainwindow/folder_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace larkspan {

FolderPick FolderDialog::DoModal(const QString& title, const QString& initialFolder, QWidget* parent) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // "Original directory", or a folder that has gone, names nothing to show: the dialog starts at home.
    const QFileInfo initial(initialFolder);
    dialog.setDirectory(initial.isAbsolute() && initial.isDir() ? initial.absoluteFilePath()
                                                                : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted) return {};

    // A desktop's own dialog can offer places that are no local folder (a network share by its address).
    const QList<QUrl> chosen = dialog.selectedUrls();
    if (chosen.isEmpty() || !chosen.first().isLocalFile() || chosen.first().toLocalFile().isEmpty())
        return {kFolderPickNoPath, {}};
    return {kFolderPickOk, QDir::cleanPath(chosen.first().toLocalFile())};
}

}  // namespace larkspan
