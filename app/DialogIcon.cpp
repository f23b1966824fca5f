// Icon painting of minimised dialogs.
#include "app/DialogIcon.h"

#include "framework/Dc.h"

bool PaintMinimizedIcon(HWND window, HICON icon) {
    if (!IsIconic(window))
        return false;
    CPaintDC dc(window);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rect;
    GetClientRect(window, &rect);
    const int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    return true;
}
