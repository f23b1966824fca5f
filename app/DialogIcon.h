// What both skinned dialogs do with the program icon: draw it centred while minimised.
#pragma once

#include <windows.h>

// Paints `icon` centred in the client area of a minimised window; false when the window is not
// minimised and the default painting should run.
bool PaintMinimizedIcon(HWND window, HICON icon);
