// What the Windows tests of the toolkit share: GDI+ for the whole run, a message pump, pixels read
// back from the screen, real mouse input, and a pause for looking at a screen.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "Controls/GdiPlus.h"
#include "framework/Wnd.h"

// GDI+ started once for the test program, as the program starts it.
class GdiPlusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        gdip::StartupInput input;
        ULONG_PTR token = 0;
        ASSERT_EQ(CGdiPlus::Api().GdiplusStartup(&token, &input, nullptr), gdip::Ok);
    }
};

// TERVOLIN_HOLD_MS keeps a screen up that long at the points a test marks, for a look at it.
inline DWORD HoldTime() {
    char value[16] = {};
    return GetEnvironmentVariableA("TERVOLIN_HOLD_MS", value, sizeof value) ? std::strtoul(value, nullptr, 10)
                                                                            : 0;
}

// Handles this thread's messages for a while, letting the controls pre-translate theirs as the
// modal loop does.
inline void Pump(DWORD milliseconds = 60) {
    const DWORD end = GetTickCount() + milliseconds;
    MSG message;
    do {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            CWnd* target = CWnd::FromHandlePermanent(message.hwnd);
            if (target == nullptr || !target->PreTranslateMessage(&message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        Sleep(5);
    } while (GetTickCount() < end);
}

inline POINT ScreenPoint(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

inline COLORREF ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

inline bool Near(COLORREF colour, COLORREF expected, int tolerance = 12) {
    return std::abs(GetRValue(colour) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(colour) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(colour) - GetBValue(expected)) <= tolerance;
}

inline void SendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Pump();
}

inline void MoveCursor(POINT p) {
    SetCursorPos(p.x, p.y);
    Pump();
}
