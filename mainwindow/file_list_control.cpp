#include "mainwindow/file_list_control.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include "mainwindow/file_list_accessible.h"
#include "resources/dialog_builder.h"
#include "resources/menu_template.h"
#include "resources/resource_ids.h"

namespace larkspan {

// A row that sorts by CompareEntries on the entries of the rows, under the list's current SortParams.
class FileListRow : public QTreeWidgetItem {
public:
    explicit FileListRow(FileListEntry& entry) : QTreeWidgetItem(QTreeWidgetItem::UserType), entry_(entry) {}
    FileListEntry& Entry() const { return entry_; }
    int image = -1;

    bool operator<(const QTreeWidgetItem& other) const override {
        const auto* list = static_cast<const FileListControl*>(treeWidget());
        return CompareEntries(entry_, static_cast<const FileListRow&>(other).entry_, list->sortParams_) < 0;
    }

private:
    FileListEntry& entry_;
};

namespace {

const FileListRow* Row(const QTreeWidgetItem* item) {
    return static_cast<const FileListRow*>(item);
}

}  // namespace

int ImageList::Add(const QIcon& icon) {
    images_.push_back(icon);
    return GetImageCount() - 1;
}

FileListControl::FileListControl(QWidget* parent) : QTreeWidget(parent) {
    InstallFileListAccessibility();
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    // The order is ours alone (CompareEntries on header clicks); the header shows no sort arrow.
    setSortingEnabled(false);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

QTreeWidgetItem* FileListControl::MakeRow(FileListEntry& entry, int image) const {
    auto* row = new FileListRow(entry);
    row->image = image;
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    row->setCheckState(kColumnName, Qt::Unchecked);
    row->setText(kColumnName, QString::fromLocal8Bit(entry.name));
    if (images_ && image >= 0 && image < images_->GetImageCount())
        row->setIcon(kColumnName, images_->Icon(image));
    row->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

FileListEntry* FileListControl::GetItemData(int row) const {
    QTreeWidgetItem* item = topLevelItem(row);
    return item ? &Row(item)->Entry() : nullptr;
}

int FileListControl::GetImage(int row) const {
    QTreeWidgetItem* item = topLevelItem(row);
    return item ? Row(item)->image : -1;
}

bool FileListControl::GetCheck(int row) const {
    QTreeWidgetItem* item = topLevelItem(row);
    return item && item->checkState(kColumnName) == Qt::Checked;
}

void FileListControl::SetCheck(int row, bool ticked) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setCheckState(kColumnName, ticked ? Qt::Checked : Qt::Unchecked);
}

int FileListControl::GetSelectedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

int FileListControl::GetNextSelected(int row) const {
    for (int next = row + 1; next < topLevelItemCount(); ++next)
        if (topLevelItem(next)->isSelected()) return next;
    return -1;
}

void FileListControl::SortItems(const SortParams& params) {
    sortParams_ = params;
    // The model's own stable sort asks FileListRow::operator< and moves selection and focus with the rows;
    // the column passed here decides nothing.
    sortItems(params.column, Qt::AscendingOrder);
}

void FileListControl::SelectAllRows() {
    int count = topLevelItemCount();
    if (count == 0) return;
    selectAll();
    setCurrentItem(topLevelItem(count - 1), kColumnName, QItemSelectionModel::NoUpdate);
}

void FileListControl::ToggleSelectedTicks() {
    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!current && selected.isEmpty()) return;
    // The focused row decides, so one press over a mixed selection gives every row the same tick.
    const QTreeWidgetItem* decider = current ? current : selected.first();
    const Qt::CheckState state =
        decider->checkState(kColumnName) == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    for (QTreeWidgetItem* item : selected) item->setCheckState(kColumnName, state);
    if (current) current->setCheckState(kColumnName, state);
}

void FileListControl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        SelectAllRows();
    } else if (event->key() == Qt::Key_Space && !(event->modifiers() & Qt::ControlModifier)) {
        ToggleSelectedTicks();
        event->accept();
        return;
    } else if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        // The menu key's other name, for keyboards without a menu key: the menu opens at the focused row.
        QPoint at = currentItem() ? visualItemRect(currentItem()).bottomLeft() : QPoint(0, 0);
        at.setY(std::clamp(at.y(), 0, viewport()->height() - 1));
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at));
        contextMenuEvent(&menuEvent);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void FileListControl::SetEmptyText(const QString& text) {
    if (text == emptyText_) return;
    emptyText_ = text;
    setAccessibleDescription(text);
    viewport()->update();
}

void FileListControl::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0 || emptyText_.isEmpty()) return;
    // Drawn, not a row: nothing can be ticked, sorted or opened in it.
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = fontMetrics().height() / 2;
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyText_);
}

bool FileListControl::NameCut(const QModelIndex& index) const {
    // The text rectangle the style draws the name in, less the margins it elides within.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.text = index.data(Qt::DisplayRole).toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    if (!option.icon.isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    const QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return option.fontMetrics.horizontalAdvance(option.text) > text.width() - 2 * margin;
}

bool FileListControl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // A name cut with "…" shows whole in a tooltip; a name shown whole needs none.
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid() && index.column() == kColumnName) {
            if (NameCut(index))
                QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), viewport(),
                                   visualRect(index));
            else
                QToolTip::hideText();
            return true;
        }
    }
    return QTreeWidget::viewportEvent(event);
}

void FileListControl::contextMenuEvent(QContextMenuEvent* event) {
    const resources::MenuTemplate* menuTemplate = resources::FindMenu(ids::kFileListMenu);
    if (!menuTemplate) return;
    QMenu menu(this);
    resources::AppendMenuItems(menu, *menuTemplate);
    if (QAction* chosen = menu.exec(event->globalPos())) emit CommandChosen(chosen->data().toInt());
    event->accept();
}

}  // namespace larkspan
