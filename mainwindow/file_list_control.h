#pragma once
// The file list of the main window (control 1014): one row per listed file with a tick box, its icon and
// four columns; every row carries a pointer to its FileListEntry. Ctrl+A selects every row, Space toggles
// the focused row's tick and gives it to every selected row, and the context menu (menu 140, also on
// Shift+F10) sends its commands through CommandChosen.

#include <vector>

#include <QIcon>
#include <QTreeWidget>

#include "mainwindow/file_list_entry.h"
#include "mainwindow/file_list_order.h"

namespace larkspan {

// The small icons of the listed rows, one added per row.
class ImageList {
public:
    int Add(const QIcon& icon);  // the new image's index
    void RemoveAll() { images_.clear(); }
    int GetImageCount() const { return static_cast<int>(images_.size()); }
    const QIcon& Icon(int index) const { return images_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<QIcon> images_;
};

class FileListControl : public QTreeWidget {
    Q_OBJECT
public:
    explicit FileListControl(QWidget* parent = nullptr);

    // The images that new rows take their icon from.
    void SetSmallImageList(const ImageList* images) { images_ = images; }

    // A row not yet in the list, unticked, showing entry's name and image; the other columns are set by
    // the caller. The row refers to entry, which must outlive it.
    QTreeWidgetItem* MakeRow(FileListEntry& entry, int image) const;

    int GetItemCount() const { return topLevelItemCount(); }
    FileListEntry* GetItemData(int row) const;
    int GetImage(int row) const;
    bool GetCheck(int row) const;
    void SetCheck(int row, bool ticked);
    int GetSelectedCount() const;
    // The next selected row after row (-1 to start at the first); -1 when there is none.
    int GetNextSelected(int row) const;

    // Reorders the rows by CompareEntries with params; every row keeps its tick, icon, entry, selection
    // and focus.
    void SortItems(const SortParams& params);

    // Ctrl+A: every row selected, the last one focused.
    void SelectAllRows();
    // Space: the focused row's tick toggled, and every selected row given the same tick.
    void ToggleSelectedTicks();

    // A line drawn in grey inside the list while it has no rows, and read with it by a screen reader; ""
    // for none.
    void SetEmptyText(const QString& text);
    const QString& EmptyText() const { return emptyText_; }

signals:
    void CommandChosen(int command);

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Whether the name at index is too wide for its cell and so shown cut with "…".
    bool NameCut(const QModelIndex& index) const;

    friend class FileListRow;
    const ImageList* images_ = nullptr;
    SortParams sortParams_{1, 0};
    QString emptyText_;
};

}  // namespace larkspan
