// The controls' repaint after a change of their look: the control at once, then the parent's
// pixels under it, so that a transparent control is painted over a fresh background. A control
// that is not on screen (a dialog being set up, say) is painted when it is shown.
#pragma once

#include <windows.h>

inline void RedrawWithParent(HWND control) {
    if (control == nullptr || !IsWindowVisible(control))
        return;
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HWND parent = GetParent(control);
    if (parent == nullptr)
        return;
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(parent, &rect, TRUE);
    UpdateWindow(parent);
}
