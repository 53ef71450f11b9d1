// The Folder combo's history of output folders.

#include <QComboBox>

#include "app/settings_store.h"
#include "mainwindow/combo_search.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"

namespace larkspan {

void MainWindowDialog::LoadOutputHistory() {
    QComboBox& combo = FolderCombo();
    for (int i = 0; i < 5; ++i) {
        std::string value = settings_.GetString(OutputDirKey(i + 1));
        // A value after a gap lands at the end of the list.
        if (!value.empty()) combo.insertItem(i, QString::fromLocal8Bit(value));
    }
    SelectStringPrefix(combo, 0, QString::fromLocal8Bit(state_.m_strOutDir));
}

}  // namespace larkspan
