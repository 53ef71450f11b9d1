#include "mainwindow/file_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>

#include "mainwindow/file_list_control.h"

namespace larkspan {

namespace {

// The children are numbered as Qt's tree view numbers them in its focus and selection events: the header's
// cells first (counted even when the header is hidden), then the rows' cells row by row, so those events
// point at the right child.
int ChildNumber(const FileListControl& list, int row, int column) {
    return (row + 1) * list.columnCount() + column;
}

// A cell of the list, header or row: it has no children and no object of its own.
class ListCell : public QAccessibleInterface {
public:
    explicit ListCell(FileListControl* list) : list_(list) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(list_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<FileListControl> list_;
};

// A header cell, read by its column's title.
class HeaderCell : public ListCell {
public:
    HeaderCell(FileListControl* list, int column) : ListCell(list), column_(column) {}

    bool isValid() const override { return list_ && column_ < list_->columnCount(); }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? list_->headerItem()->text(column_) : QString();
    }
    QRect rect() const override {
        if (!isValid()) return {};
        QHeaderView* header = list_->header();
        QRect section(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                      header->height());
        return section.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !isValid() || list_->isHeaderHidden();
        return state;
    }

private:
    int column_;
};

// A cell of a row; the first one is the row's check box.
class RowCell : public ListCell, public QAccessibleActionInterface {
public:
    RowCell(FileListControl* list, const QModelIndex& index) : ListCell(list), index_(index) {}

    bool isValid() const override { return list_ && index_.isValid(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return index_.data(Qt::DisplayRole).toString();
        if (t == QAccessible::Description && index_.column() != kColumnName)
            return list_->headerItem()->text(index_.column());
        return {};
    }
    QRect rect() const override {
        if (!isValid()) return {};
        return list_->visualRect(index_).translated(list_->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return Box() ? QAccessible::CheckBox : QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.selected = list_->selectionModel()->isRowSelected(index_.row(), index_.parent());
        state.focusable = true;
        state.focused = list_->hasFocus() && list_->currentIndex().row() == index_.row() && Box();
        state.offscreen = !list_->viewport()->rect().intersects(list_->visualRect(index_));
        if (Box()) {
            state.checkable = true;
            state.checked = index_.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface && Box() ? static_cast<QAccessibleActionInterface*>(this)
                                                             : nullptr;
    }

    // The check box's one action: toggling its tick, as a click on it does.
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name != toggleAction() || !isValid()) return;
        list_->SetCheck(index_.row(), !list_->GetCheck(index_.row()));
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int Row() const { return index_.row(); }
    int Column() const { return index_.column(); }

private:
    bool Box() const { return index_.column() == kColumnName; }

    QPersistentModelIndex index_;
};

// Drops the cached children when rows come, go or move, and tells a screen reader of changed ticks.
class ChildCache : public QObject {
public:
    explicit ChildCache(FileListControl* list) : list_(list) {
        QAbstractItemModel* model = list->model();
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved,
                            &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved}) {
            connect(model, signal, this, &ChildCache::Clear);
        }
        connect(model, &QAbstractItemModel::modelReset, this, &ChildCache::Clear);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ChildCache::Clear);
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                    if (roles.isEmpty() || roles.contains(Qt::CheckStateRole)) TickChanged(first, last);
                });
    }
    ~ChildCache() override { Clear(); }

    QAccessibleInterface* Child(int number) {
        if (QAccessible::Id id = ids_.value(number)) return QAccessible::accessibleInterface(id);
        QAccessibleInterface* child = Make(number);
        if (child) ids_.insert(number, QAccessible::registerAccessibleInterface(child));
        return child;
    }

private:
    QAccessibleInterface* Make(int number) const {
        const int columns = list_->columnCount();
        if (columns == 0 || number < 0) return nullptr;
        const int row = number / columns - 1;
        const int column = number % columns;
        if (row < 0) return new HeaderCell(list_, column);
        if (row >= list_->topLevelItemCount()) return nullptr;
        return new RowCell(list_, list_->model()->index(row, column));
    }

    void Clear() {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
        ids_.clear();
    }

    void TickChanged(const QModelIndex& first, const QModelIndex& last) {
        if (!QAccessible::isActive() || first.column() > kColumnName) return;
        QAccessible::State changed;
        changed.checked = true;
        for (int row = first.row(); row <= last.row(); ++row) {
            QAccessibleStateChangeEvent event(list_, changed);
            event.setChild(ChildNumber(*list_, row, kColumnName));
            QAccessible::updateAccessibility(&event);
        }
    }

    FileListControl* list_;
    QHash<int, QAccessible::Id> ids_;
};

// The list itself: a tree of cells, as Qt's own, read by the name the window gives it.
class FileListAccessible : public QAccessibleWidget {
public:
    explicit FileListAccessible(FileListControl* list)
        : QAccessibleWidget(list, QAccessible::Tree), cache_(list) {}

    int childCount() const override { return (List()->topLevelItemCount() + 1) * List()->columnCount(); }
    QAccessibleInterface* child(int number) const override {
        return number < childCount() ? cache_.Child(number) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->parent() != this) return -1;
        if (child->role() == QAccessible::ColumnHeader) {
            for (int column = 0; column < List()->columnCount(); ++column)
                if (cache_.Child(column) == child) return column;
            return -1;
        }
        const auto* cell = static_cast<const RowCell*>(child);
        return cell->isValid() ? ChildNumber(*List(), cell->Row(), cell->Column()) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = List()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = List()->indexAt(at);
        return index.isValid() ? child(ChildNumber(*List(), index.row(), index.column())) : nullptr;
    }

private:
    FileListControl* List() const { return static_cast<FileListControl*>(widget()); }

    mutable ChildCache cache_;
};

QAccessibleInterface* FileListFactory(const QString& className, QObject* object) {
    if (className != QLatin1String(FileListControl::staticMetaObject.className())) return nullptr;
    auto* list = qobject_cast<FileListControl*>(object);
    return list ? new FileListAccessible(list) : nullptr;
}

}  // namespace

void InstallFileListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(FileListFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace larkspan
