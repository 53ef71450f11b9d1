#pragma once
// The main window's layout state: where the split between the folder tree and the file list lies, the
// window's size and the bottom margin, kept in pixels as the resize rules are written. Windowless, so the
// arithmetic of a resize is plain integers.

#include <cstdint>

namespace larkspan {

class SettingsStore;

// A rectangle by its edges; right and bottom lie just outside it.
struct EdgeRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

struct PointXY {
    int x = 0, y = 0;
};

struct SizeXY {
    int cx = 0, cy = 0;
};

// The window style bit that says the window is maximised; "bMaximized" holds it as it is.
inline constexpr std::int32_t kMaximizedStyle = 0x01000000;

struct LayoutState {
    EdgeRect rtSplitVer;  // between the tree and the list: tree's right edge to the list's left edge
    EdgeRect rtSplitHor;  // a band in the list's column; only stored
    PointXY ptMainDlgPos;
    SizeXY szMainDlg;
    std::int32_t bMaximized = 0;
    int nHeightListSel = 0;
    int nBottomMargin = 0;

    // The template's layout, from the window rectangle W in client coordinates and the tree and list.
    void Measure(const EdgeRect& window, const EdgeRect& tree, const EdgeRect& list);

    // The split and the list pane after a size change to W: the resets for a short or narrow window, and
    // the bottoms that follow the window's bottom edge.
    void Fit(const EdgeRect& window);

    // The fourteen "Settings2" values; false when any could not be written.
    [[nodiscard]] bool Save(const SettingsStore& settings) const;
};

}  // namespace larkspan
