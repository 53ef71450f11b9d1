#include "mainwindow/folder_tree_model.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileIconProvider>

namespace larkspan {

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

FolderTreeModel::~FolderTreeModel() = default;

void FolderTreeModel::AddRoot(const QString& path, const QString& text, const QIcon& icon) {
    auto* model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setReadOnly(true);
    // The model's own provider asks only the icon theme, and a desktop without one would show folders
    // without a picture; this one falls back to the style's folder.
    static QFileIconProvider folderIcons;
    model->setIconProvider(&folderIcons);
    // A file-system model fetches folders only once it has a root path; it also watches that folder.
    model->setRootPath(path);
    int row = static_cast<int>(roots_.size());
    beginInsertRows({}, row, row);
    roots_.push_back({model, path, text, icon, QPersistentModelIndex(model->index(path))});
    endInsertRows();
    Forward(row);
}

void FolderTreeModel::Forward(int root) {
    QFileSystemModel* model = roots_[root].model;
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, root](const QModelIndex& parent, int first, int last) {
                pendingChange_ = InSubtree(root, parent);
                if (pendingChange_) beginInsertRows(FromSource(root, parent), first, last);
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (pendingChange_) endInsertRows();
        pendingChange_ = false;
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, root](const QModelIndex& parent, int first, int last) {
                const QPersistentModelIndex& top = roots_[root].top;
                if (top.isValid() && top.parent() == parent && top.row() >= first && top.row() <= last) {
                    // The top-level folder itself goes (home deleted): its item stays, empty.
                    pendingReset_ = true;
                    beginResetModel();
                    return;
                }
                pendingChange_ = InSubtree(root, parent);
                if (pendingChange_) beginRemoveRows(FromSource(root, parent), first, last);
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (pendingReset_) {
            mappingIndex_.clear();
            mappings_.clear();
            endResetModel();
        }
        if (pendingChange_) endRemoveRows();
        pendingChange_ = pendingReset_ = false;
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this, root](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.column() != 0 || !InSubtree(root, topLeft.parent())) return;
                emit dataChanged(FromSource(root, topLeft), FromSource(root, bottomRight.siblingAtColumn(0)));
            });
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
        emit layoutAboutToBeChanged();
        layoutProxies_ = persistentIndexList();
        layoutSources_.clear();
        for (const QModelIndex& proxy : std::as_const(layoutProxies_)) {
            int sourceRoot = -1;
            QModelIndex source = ToSource(proxy, &sourceRoot);
            layoutSources_.emplace_back(sourceRoot, QPersistentModelIndex(source));
        }
    });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] {
        QModelIndexList moved;
        moved.reserve(layoutProxies_.size());
        for (const auto& [sourceRoot, source] : layoutSources_) moved.append(FromSource(sourceRoot, source));
        changePersistentIndexList(layoutProxies_, moved);
        layoutProxies_.clear();
        layoutSources_.clear();
        emit layoutChanged();
    });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this, root] {
        mappingIndex_.clear();
        mappings_.clear();
        roots_[root].top = QPersistentModelIndex(roots_[root].model->index(roots_[root].path));
        endResetModel();
    });
}

FolderTreeModel::Mapping* FolderTreeModel::MappingFor(int root, const QModelIndex& sourceParent) const {
    // A folder's node lives as long as the folder is in the model; when it goes, another node may take its
    // address, and the mapping is then simply pointed at the new one.
    QPair<int, const void*> key(root, sourceParent.internalPointer());
    Mapping*& mapping = mappingIndex_[key];
    if (!mapping) {
        mappings_.push_back(std::make_unique<Mapping>(Mapping{root, QPersistentModelIndex(sourceParent)}));
        mapping = mappings_.back().get();
    } else if (mapping->sourceParent != sourceParent) {
        mapping->sourceParent = QPersistentModelIndex(sourceParent);
    }
    return mapping;
}

QModelIndex FolderTreeModel::ToSource(const QModelIndex& index, int* root) const {
    if (!index.isValid()) return {};
    if (!index.internalPointer()) {
        if (root) *root = index.row();
        return roots_[index.row()].top;
    }
    auto* mapping = static_cast<Mapping*>(index.internalPointer());
    if (root) *root = mapping->root;
    if (!mapping->sourceParent.isValid()) return {};
    return roots_[mapping->root].model->index(index.row(), 0, mapping->sourceParent);
}

QModelIndex FolderTreeModel::FromSource(int root, const QModelIndex& source) const {
    if (!source.isValid()) return {};
    if (source == roots_[root].top) return createIndex(root, 0, nullptr);
    QModelIndex sourceParent = source.parent();
    if (!sourceParent.isValid()) return {};
    return createIndex(source.row(), 0, MappingFor(root, sourceParent));
}

bool FolderTreeModel::InSubtree(int root, QModelIndex source) const {
    const QPersistentModelIndex& top = roots_[root].top;
    if (!top.isValid()) return false;
    for (; source.isValid(); source = source.parent())
        if (source == top) return true;
    return false;
}

QString FolderTreeModel::FilePath(const QModelIndex& index) const {
    int root = -1;
    QModelIndex source = ToSource(index, &root);
    if (!source.isValid()) return {};
    return roots_[root].model->filePath(source);
}

QModelIndex FolderTreeModel::IndexOf(const QString& path) {
    QString clean = QDir::cleanPath(path);
    int best = -1;
    for (int i = 0; i < static_cast<int>(roots_.size()); ++i) {
        const QString& rootPath = roots_[i].path;
        bool holds = clean == rootPath || rootPath == QLatin1String("/") ||
                     clean.startsWith(rootPath + QLatin1Char('/'));
        if (holds && (best < 0 || rootPath.size() > roots_[best].path.size())) best = i;
    }
    if (best < 0) return {};
    QModelIndex source = roots_[best].model->index(clean);
    if (!source.isValid() || !InSubtree(best, source)) return {};
    return FromSource(best, source);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    if (!parent.isValid()) {
        if (row >= static_cast<int>(roots_.size())) return {};
        return createIndex(row, 0, nullptr);
    }
    int root = -1;
    QModelIndex source = ToSource(parent, &root);
    if (!source.isValid() || row >= roots_[root].model->rowCount(source)) return {};
    return createIndex(row, 0, MappingFor(root, source));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !child.internalPointer()) return {};
    auto* mapping = static_cast<Mapping*>(child.internalPointer());
    return FromSource(mapping->root, mapping->sourceParent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(roots_.size());
    if (parent.column() != 0) return 0;
    int root = -1;
    QModelIndex source = ToSource(parent, &root);
    return source.isValid() ? roots_[root].model->rowCount(source) : 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !roots_.empty();
    int root = -1;
    QModelIndex source = ToSource(parent, &root);
    if (!source.isValid() || !roots_[root].model->hasChildren(source)) return false;
    // The file-system model says every folder has children until it is read. A folder's link count is
    // 2 plus its sub-folders on file systems that keep it (ext4, tmpfs), so one stat tells without reading
    // the folder; where it is not kept (btrfs, overlayfs, many sub-folders on ext4) it is 1, and the arrow
    // stays, as before. A folder whose only sub-folders are hidden keeps its arrow.
    if (roots_[root].model->rowCount(source) > 0) return true;  // read already, and rows shown
    struct stat status {};
    const QByteArray path = QFile::encodeName(roots_[root].model->filePath(source));
    if (::stat(path.constData(), &status) == 0 && status.st_nlink >= 2) return status.st_nlink > 2;
    return true;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (!index.internalPointer()) {
        const Root& root = roots_[index.row()];
        switch (role) {
            case Qt::DisplayRole:
                return root.text;
            case Qt::DecorationRole:
                return root.icon;
            case Qt::ToolTipRole:
                return root.path;
            default:
                return {};
        }
    }
    QModelIndex source = ToSource(index);
    if (!source.isValid()) return {};
    // The whole name, for a name the tree cuts with "…".
    if (role == Qt::ToolTipRole) return source.data(Qt::DisplayRole);
    return source.data(role);
}

QVariant FolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The header is hidden, but a screen reader reads its section: the base class's "1" says nothing.
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Folders");
    return {};
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    int root = -1;
    QModelIndex source = ToSource(parent, &root);
    return source.isValid() && roots_[root].model->canFetchMore(source);
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    int root = -1;
    QModelIndex source = ToSource(parent, &root);
    if (source.isValid()) roots_[root].model->fetchMore(source);
}

}  // namespace larkspan
