#pragma once
// Picks a folder for the user: the desktop's folder dialog, or preset answers in tests.

#include <QString>

class QWidget;

namespace larkspan {

// What a run of the picker came to, as its DoModal reports it.
inline constexpr int kFolderPickCancelled = -1;  // the user cancelled
inline constexpr int kFolderPickOk = 1;          // a folder was chosen
inline constexpr int kFolderPickNoPath = 2;      // the chosen item is no folder of the local file system

struct FolderPick {
    int result = kFolderPickCancelled;
    QString path;  // the chosen folder, with kFolderPickOk
};

class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // Runs the picker modally over parent, showing initialFolder when that names a folder.
    virtual FolderPick DoModal(const QString& title, const QString& initialFolder, QWidget* parent) = 0;
};

// The desktop's folder dialog, showing folders only.
class FolderDialog final : public FolderPicker {
public:
    FolderPick DoModal(const QString& title, const QString& initialFolder, QWidget* parent) override;
};

}  // namespace larkspan
