#include "mainwindow/anchor_table.h"

namespace larkspan {

void AnchorTable::Add(int id, AnchorMode mode, const EdgeRect& control, const EdgeRect& window) {
    Anchor anchor{id, mode, control.left, window.bottom - control.top, control.Height(), 0};
    if (mode == AnchorMode::StretchWidth) anchor.rightOffset = window.right - control.right;
    if (mode == AnchorMode::KeepRightBottom) anchor.rightOffset = window.right - control.left;
    entries_.push_back(anchor);
}

void AnchorTable::Shift(int right, int bottom) {
    for (Anchor& anchor : entries_) {
        anchor.bottomOffset += bottom;
        if (anchor.mode != AnchorMode::KeepLeftBottom) anchor.rightOffset += right;
    }
}

EdgeRect AnchorTable::Place(const Anchor& anchor, const EdgeRect& window, const EdgeRect& current) {
    const int top = window.bottom - anchor.bottomOffset;
    switch (anchor.mode) {
        case AnchorMode::StretchWidth:
            return {anchor.left, top, window.right - anchor.rightOffset, top + anchor.height};
        case AnchorMode::KeepLeftBottom:
            return {anchor.left, top, anchor.left + current.Width(), top + current.Height()};
        case AnchorMode::KeepRightBottom: {
            const int left = window.right - anchor.rightOffset;
            return {left, top, left + current.Width(), top + current.Height()};
        }
    }
    return current;
}

}  // namespace larkspan
