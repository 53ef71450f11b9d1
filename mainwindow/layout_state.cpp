#include "mainwindow/layout_state.h"

#include <string_view>
#include <utility>

#include "platform/settings_store.h"

namespace larkspan {
namespace {

// The list pane's height and the split's edges once the window has been too short or too narrow.
constexpr int kResetListHeight = 152;
constexpr int kResetSplitLeft = 186;
constexpr int kResetSplitRight = 192;

}  // namespace

void LayoutState::Measure(const EdgeRect& window, const EdgeRect& tree, const EdgeRect& list) {
    rtSplitVer = {tree.right, tree.top, list.left, tree.bottom};
    rtSplitHor = {list.left, list.bottom, list.right, list.bottom};
    nHeightListSel = list.Height();
    nBottomMargin = window.bottom - tree.bottom;
}

void LayoutState::Fit(const EdgeRect& window) {
    if (nHeightListSel > window.Height() - nBottomMargin - 102) nHeightListSel = kResetListHeight;
    // Once reset, the split stays there: nothing brings back the template's edges.
    if (rtSplitVer.right > window.right - 563) {
        rtSplitVer.left = kResetSplitLeft;
        rtSplitVer.right = kResetSplitRight;
    }
    rtSplitVer.bottom = window.bottom - nBottomMargin;
    rtSplitHor.bottom = rtSplitVer.bottom - nHeightListSel;
    rtSplitHor.top = rtSplitHor.bottom - 36;
    rtSplitHor.left = rtSplitVer.right;
    rtSplitHor.right = window.right - 11;
}

bool LayoutState::Save(const SettingsStore& settings) const {
    const std::pair<std::string_view, std::int32_t> values[] = {
        {"rtSplitVer_left", rtSplitVer.left},
        {"rtSplitVer_top", rtSplitVer.top},
        {"rtSplitVer_right", rtSplitVer.right},
        {"rtSplitVer_bottom", rtSplitVer.bottom},
        {"rtSplitHor_left", rtSplitHor.left},
        {"rtSplitHor_top", rtSplitHor.top},
        {"rtSplitHor_right", rtSplitHor.right},
        {"rtSplitHor_bottom", rtSplitHor.bottom},
        {"ptMainDlgPos_x", ptMainDlgPos.x},
        {"ptMainDlgPos_y", ptMainDlgPos.y},
        {"szMainDlg_cx", szMainDlg.cx},
        {"szMainDlg_cy", szMainDlg.cy},
        {"bMaximized", bMaximized},
        {"nHeightListSel", nHeightListSel},
    };
    // One rewrite of the hive, not fourteen: closing the window costs one locked write.
    return settings.WriteInts(values);
}

}  // namespace larkspan
