// The Folder combo's history of output folders.

#include <QComboBox>

#include "mainwindow/combo_search.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "platform/settings_store.h"

namespace larkspan {

void MainWindowDialog::LoadOutputHistory() {
    QComboBox& combo = FolderCombo();
    for (int i = 0; i < 5; ++i) {
        std::string value = settings_.GetString(OutputDirKey(i + 1));
        // A value after a gap lands at the end of the list.
        if (!value.empty()) combo.insertItem(i, QString::fromLocal8Bit(value));
    }
    // A remembered choice that is no longer among the items leaves the combo without a selection.
    if (SelectStringPrefix(combo, 0, QString::fromLocal8Bit(state_.m_strOutDir)) < 0)
        combo.setCurrentIndex(-1);
}

void MainWindowDialog::AddPickedFolder(const QString& path) {
    QComboBox& combo = FolderCombo();
    // The search ignores case and takes a prefix; only an item of exactly this text counts as the same.
    int found = SelectStringPrefix(combo, 0, path);
    if (found >= 0 && combo.itemText(found) == path) return;
    combo.insertItem(1, path);
    SelectStringPrefix(combo, 0, path);
}

void MainWindowDialog::SaveOutputHistory() {
    const QComboBox& combo = FolderCombo();
    // As with the other settings of Convert, one that cannot be stored does not hold up the run.
    for (int i = 0; i < combo.count() && i < 5; ++i)
        [[maybe_unused]] const bool stored =
            settings_.WriteString(OutputDirKey(i + 1), combo.itemText(i).toLocal8Bit().toStdString());
}

}  // namespace larkspan
