// How far a skinned dialog may be dragged up or down: never so far that less than 35 pixels of
// it stay within the work area's height. Sideways there is no limit.
#pragma once

constexpr int DRAG_MARGIN = 35;

struct DragRect {
    int left, top, right, bottom;
};

// Whether the drag step to pointer height `pointY` is refused, for a dialog whose normal
// rectangle is `dialog`, in the work area `work`, with the drag anchored at `anchorY`.
inline bool DragStepRefused(const DragRect& dialog, const DragRect& work, int anchorY, int pointY) {
    if (dialog.right - dialog.left <= DRAG_MARGIN || dialog.bottom - dialog.top <= DRAG_MARGIN)
        return false;
    const int dy = pointY - anchorY;
    const int newTop = dialog.top + dy;
    const int newBottom = dialog.bottom + dy;
    if (newBottom - work.top < DRAG_MARGIN)
        return pointY <= anchorY; // near the top: only moving down is allowed
    if (work.bottom - newTop < DRAG_MARGIN)
        return pointY >= anchorY; // near the bottom: only moving up is allowed
    return false;
}
