#pragma once
// How the controls of the main window's bottom area follow the window's bottom and right edges. Each
// entry keeps the distances its mode needs, measured once on the template's layout.

#include <vector>

#include "mainwindow/layout_state.h"

namespace larkspan {

enum class AnchorMode {
    StretchWidth = 0,     // same left edge and bottom distance; the width keeps the right margin
    KeepLeftBottom = 1,   // same left edge and bottom distance; same size
    KeepRightBottom = 2,  // same distances from the right and bottom edges; same size
};

struct Anchor {
    int id = 0;
    AnchorMode mode = AnchorMode::KeepLeftBottom;
    int left = 0;          // the control's left edge
    int bottomOffset = 0;  // W.bottom - the control's top
    int height = 0;
    // StretchWidth: W.right - the control's right edge; KeepRightBottom: W.right - its left edge.
    int rightOffset = 0;
};

class AnchorTable {
public:
    // Records the control's distances from the edges of the window rectangle W (client coordinates).
    void Add(int id, AnchorMode mode, const EdgeRect& control, const EdgeRect& window);

    // Where the control goes in W; current is where it is now, whose size the mode may keep.
    static EdgeRect Place(const Anchor& anchor, const EdgeRect& window, const EdgeRect& current);

    // Moves every distance from the right and bottom edges by the amounts W's edges moved by while the
    // controls stayed in place.
    void Shift(int right, int bottom);

    const std::vector<Anchor>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }
    void Clear() { entries_.clear(); }

private:
    std::vector<Anchor> entries_;
};

}  // namespace larkspan
