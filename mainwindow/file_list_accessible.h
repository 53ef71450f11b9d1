#pragma once
// What a screen reader finds in the file list. Qt's own item-view interfaces do not pass a cell's tick on
// to AT-SPI on this platform, so the list has an interface of its own whose first cell of each row is a
// check box with its state, ticked or not.

namespace larkspan {

// Installs, once, the factory that gives every FileListControl that interface.
void InstallFileListAccessibility();

}  // namespace larkspan
