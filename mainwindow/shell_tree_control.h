#pragma once
// The folder tree of the main window (control 1033): the user's home and the file-system root, folders
// only, each folder expandable. It reports a new selected folder through SelectedFolderChanged.

#include <string>

#include <QTreeView>

namespace larkspan {

class FolderTreeModel;

class ShellTreeControl : public QTreeView {
    Q_OBJECT
public:
    explicit ShellTreeControl(QWidget* parent = nullptr);

    // Fills the tree with its top-level items: home first, then the root "/".
    void AddRootFolderContent();

    // The selected folder's path ("/" for the root, no trailing '/' otherwise); empty when none is selected.
    std::string GetSelectedPath() const;

    // Selects the item of a folder, opening the items above it; false when the tree does not hold it.
    bool SelectPath(const QString& path);

    FolderTreeModel& Folders() const { return *folders_; }

signals:
    // The user (or SelectPath) selected another folder.
    void SelectedFolderChanged();

protected:
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    FolderTreeModel* folders_;
};

}  // namespace larkspan
