#include "mainwindow/shell_tree_control.h"

#include <QDir>
#include <QStyle>

#include "mainwindow/folder_tree_model.h"
#include "resources/images.h"

namespace larkspan {

ShellTreeControl::ShellTreeControl(QWidget* parent) : QTreeView(parent), folders_(new FolderTreeModel(this)) {
    setModel(folders_);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setAnimated(false);
}

void ShellTreeControl::AddRootFolderContent() {
    folders_->AddRoot(QDir::homePath(), QDir::homePath(), style()->standardIcon(QStyle::SP_DirHomeIcon));
    folders_->AddRoot(QDir::rootPath(), QDir::rootPath(), resources::DriveIcon());
}

std::string ShellTreeControl::GetSelectedPath() const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return {};
    return folders_->FilePath(selected.first()).toLocal8Bit().toStdString();
}

bool ShellTreeControl::SelectPath(const QString& path) {
    QModelIndex index = folders_->IndexOf(path);
    if (!index.isValid()) return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

void ShellTreeControl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    // Losing the selection (its folder was deleted) lists nothing new: the list keeps the last folder.
    if (!selected.isEmpty()) emit SelectedFolderChanged();
}

}  // namespace larkspan
