// The main window's layout: the template's layout measured once, the controls moved after every size
// change, the smallest size, and the layout written to the settings when the window goes.

#include <algorithm>

#include <QLabel>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>
#include <QWindow>

#include "mainwindow/main_window_dialog.h"
#include "platform/registry.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"

namespace larkspan {
namespace {

// The controls of the bottom area, in the order their anchors are recorded and applied.
constexpr std::pair<int, AnchorMode> kAnchoredControls[] = {
    {ids::kTargetGroup, AnchorMode::StretchWidth},         {ids::kFormatCombo, AnchorMode::StretchWidth},
    {ids::kFolderCombo, AnchorMode::StretchWidth},         {ids::kFormatLabel, AnchorMode::KeepLeftBottom},
    {ids::kFolderLabel, AnchorMode::KeepLeftBottom},       {ids::kConvertButton, AnchorMode::KeepRightBottom},
    {ids::kOnlineHelpButton, AnchorMode::KeepRightBottom}, {ids::kBrowseButton, AnchorMode::KeepRightBottom},
    {ids::kOpenFolderButton, AnchorMode::KeepRightBottom},
};

// The smallest outer size the user can give the window.
constexpr int kMinimumWidth = 740;
constexpr int kMinimumHeight = 500;

// Cuts label's text with "…" where it would run past right, as a window narrower than the font's layout
// makes it; the whole text stays its accessible name and becomes its tooltip.
void CutBefore(QLabel& label, int right) {
    if (label.accessibleName().isEmpty()) label.setAccessibleName(label.text());
    const QString whole = label.accessibleName();
    const QMargins margins = label.contentsMargins();
    const int extra = margins.left() + margins.right() + 2 * label.margin();
    const int room = std::max(0, right - label.x()) - extra;
    const int needed = label.fontMetrics().horizontalAdvance(whole);
    const QString shown =
        needed <= room ? whole : label.fontMetrics().elidedText(whole, Qt::ElideRight, room);
    label.setText(shown);
    label.setToolTip(shown == whole ? QString() : whole);
    label.resize(std::min(needed, room) + extra, label.height());
}

EdgeRect Edges(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

EdgeRect MainWindowDialog::WindowRectInClient() const {
    // Without a window manager's frame (offscreen, a bare X server) both rectangles are the same.
    const QRect outer = frameGeometry();
    const QRect client = geometry();
    return {outer.left() - client.left(), outer.top() - client.top(),
            outer.left() + outer.width() - client.left(), outer.top() + outer.height() - client.top()};
}

QMargins MainWindowDialog::FrameMargins() const {
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void MainWindowDialog::FollowFrame() {
    // The template's layout is measured before the window manager has framed the window; W's right and
    // bottom edges then lie further out by the frame, and the distances measured from them with it.
    const QMargins frame = FrameMargins();
    if (frame == measuredFrame_) return;
    anchors_.Shift(frame.right() - measuredFrame_.right(), frame.bottom() - measuredFrame_.bottom());
    layout_.nBottomMargin += frame.bottom() - measuredFrame_.bottom();
    measuredFrame_ = frame;
}

EdgeRect MainWindowDialog::ControlRect(int id) const {
    QWidget* control = resources::FindControl(*this, id);
    return control ? Edges(control->geometry()) : EdgeRect{};
}

void MainWindowDialog::MoveControl(int id, const EdgeRect& rect) {
    if (QWidget* control = resources::FindControl(*this, id))
        control->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void MainWindowDialog::InitialLayout() {
    const QRect outer = frameGeometry();
    layout_.ptMainDlgPos = {outer.x(), outer.y()};
    layout_.szMainDlg = {outer.width(), outer.height()};
    const EdgeRect window = WindowRectInClient();
    measuredFrame_ = FrameMargins();
    anchors_.Clear();
    for (const auto& [id, mode] : kAnchoredControls) anchors_.Add(id, mode, ControlRect(id), window);
    layout_.Measure(window, ControlRect(ids::kFolderTree), ControlRect(ids::kFileList));
}

void MainWindowDialog::Relayout() {
    FollowFrame();
    EdgeRect window = WindowRectInClient();
    layout_.Fit(window);
    const EdgeRect& split = layout_.rtSplitVer;
    // The rules' distances are pixels at the 8 pt font's base units; a bigger font moves them out with
    // the controls, so that the top row's labels stay clear of the panes and of each other.
    auto x = [this](int pixels) { return resources::ScaleX(*this, pixels); };
    auto y = [this](int pixels) { return resources::ScaleY(*this, pixels); };
    const int top = y(24);
    MoveControl(ids::kFolderTree, {x(6), top, split.left, split.bottom});
    MoveControl(ids::kFileList, {split.right, top, window.Width() - x(12), top + split.bottom - split.top});
    auto moveTo = [this](int id, int left, int topEdge) {
        if (QWidget* control = resources::FindControl(*this, id)) control->move(left, topEdge);
    };
    moveTo(ids::kSelectFilesLabel, split.right, y(8));
    // The About button sits at the folder tree's top right corner, wherever the split has gone.
    if (windowMenu_) {
        windowMenu_->move(split.left - windowMenu_->width(), windowMenu_->y());
        // "Select Directory:", the window's one label without an id of its own.
        if (auto* label = qobject_cast<QLabel*>(resources::FindControl(*this, ids::kStatic)))
            CutBefore(*label, windowMenu_->x());
    }
    moveTo(ids::kFilterLabel, window.right - x(200), y(7));
    moveTo(ids::kFilterCombo, window.right - x(162), y(2));
    // The rules leave the label less room than its template box: the box ends where the combo box begins.
    if (QWidget* label = resources::FindControl(*this, ids::kFilterLabel))
        label->resize(std::min(label->width(), x(38)), label->height());
    if (auto* label = qobject_cast<QLabel*>(resources::FindControl(*this, ids::kSelectFilesLabel)))
        CutBefore(*label, window.right - x(200) - x(4));

    window = WindowRectInClient();
    for (const Anchor& anchor : anchors_.Entries())
        MoveControl(anchor.id, AnchorTable::Place(anchor, window, ControlRect(anchor.id)));
    update();
}

void MainWindowDialog::OnSize() {
    if (!list_ || anchors_.Empty()) return;
    // A minimised window keeps its size here, so only a maximised one leaves the remembered size alone.
    if (!isMaximized()) {
        const QRect outer = frameGeometry();
        layout_.szMainDlg = {outer.width(), outer.height()};
    }
    Relayout();
}

void MainWindowDialog::OnGetMinMaxInfo(bool sizeChanged) {
    // The limit is on the outer size; Qt's is on the client area, so the frame comes off. The window
    // manager reports its frame only some time after the window is shown, hence this runs on every move
    // and size change. Until then the frame reads as none, which would hold the client area itself to the
    // whole limit and grow a window that fits once framed; a window that nobody frames gets the limit at
    // its first size change from outside.
    const QMargins frame = FrameMargins();
    if (frame.isNull() && !sizeChanged) return;
    // The limit grows with the font, as the template's layout does, but never past the screen: a large
    // font on a small screen would otherwise hold the window wider than the screen.
    QSize minimum(resources::ScaleX(*this, kMinimumWidth) - frame.left() - frame.right(),
                  resources::ScaleY(*this, kMinimumHeight) - frame.top() - frame.bottom());
    if (const QScreen* shownOn = screen())
        minimum = minimum.boundedTo(shownOn->availableGeometry().size().shrunkBy(frame));
    if (minimumSize() != minimum) setMinimumSize(minimum);
}

void MainWindowDialog::SaveLayout() {
    if (layout_.Save(settings_)) return;
    qWarning("Larkspan: the window layout could not be saved in %s",
             registry::HivePath(registry::Root::CurrentUser).c_str());
}

void MainWindowDialog::showEvent(QShowEvent* event) {
    // The template's size grows with the font, and a stored size may come from a larger screen: the
    // window first opens no larger than the screen it opens on.
    if (!heldToScreen_ && !event->spontaneous()) {
        heldToScreen_ = true;
        if (const QScreen* shownOn = screen()) {
            const QSize room = shownOn->availableGeometry().size().shrunkBy(FrameMargins());
            if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
        }
    }
    OnGetMinMaxInfo(false);
    QDialog::showEvent(event);
}

void MainWindowDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    OnGetMinMaxInfo(false);
}

void MainWindowDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnGetMinMaxInfo(event->spontaneous());
    OnSize();
}

}  // namespace larkspan
