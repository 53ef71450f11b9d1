// The main window's layout when it is resized.

#include "mainwindow/main_window_dialog.h"

namespace larkspan {

void MainWindowDialog::InitialLayout() {
    // Resizing keeps the template layout for now: the anchoring of the controls is not built yet.
}

}  // namespace larkspan
