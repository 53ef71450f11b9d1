#pragma once
// The folders of the file system under a few top-level items (the user's home and the root), folders only.
// Each top-level item has a file-system model of its own, so a folder that lies under two of them (home
// lies under the root) appears once in each model and every change is forwarded exactly once.

#include <memory>
#include <vector>

#include <QAbstractItemModel>
#include <QFileSystemModel>
#include <QHash>
#include <QIcon>
#include <QPersistentModelIndex>

namespace larkspan {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // Adds a top-level item showing the folder path and, below it, its sub-folders.
    void AddRoot(const QString& path, const QString& text, const QIcon& icon);

    // The file-system path of an item; empty for an invalid index.
    QString FilePath(const QModelIndex& index) const;
    // The item of a folder, under the top-level item whose folder is the longest that holds it; invalid
    // when no top-level item holds it or it does not exist.
    QModelIndex IndexOf(const QString& path);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Root {
        QFileSystemModel* model;
        QString path;
        QString text;
        QIcon icon;
        QPersistentModelIndex top;
    };
    // Shared by all items whose source parent is the same folder under the same root.
    struct Mapping {
        int root;
        QPersistentModelIndex sourceParent;
    };

    Mapping* MappingFor(int root, const QModelIndex& sourceParent) const;
    QModelIndex ToSource(const QModelIndex& index, int* root = nullptr) const;
    QModelIndex FromSource(int root, const QModelIndex& source) const;
    bool InSubtree(int root, QModelIndex source) const;
    void Forward(int root);

    std::vector<Root> roots_;
    mutable QHash<QPair<int, const void*>, Mapping*> mappingIndex_;
    mutable std::vector<std::unique_ptr<Mapping>> mappings_;

    // State between a source's "about to" signal and its completion.
    bool pendingChange_ = false;
    bool pendingReset_ = false;
    QModelIndexList layoutProxies_;
    std::vector<std::pair<int, QPersistentModelIndex>> layoutSources_;
};

}  // namespace larkspan
