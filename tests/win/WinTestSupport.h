// What the Windows tests share: GDI+, a dialog that runs a test inside its modal loop, a message
// pump, pixels read back from the screen, real mouse input and a fresh virtual camera folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "Controls/GdiPlus.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "framework/Wnd.h"

// GDI+ for the whole test program, as the program keeps it.
class GdiPlusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(m_session.emplace().Started()); }
    void TearDown() override { m_session.reset(); }

private:
    std::optional<CGdiPlusSession> m_session;
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

// A plain static window of its own, to hook or to own a dialog.
inline HWND PopupWindow(const char* text, bool visible) {
    return CreateWindowExA(0, "STATIC", text, WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 200, 200, nullptr,
                           nullptr, nullptr, nullptr);
}

// A dialog of class `Base` that runs a test in its modal loop: `setup` once the base has
// initialised the dialog and bound its controls, `script` from a message posted then, after the
// first paints. The run then ends with IDOK, unless the script ends it with a code of its own.
template <typename Base> class ScriptedDialog : public Base {
public:
    using Base::Base;

    std::function<void()> setup;
    std::function<void()> script;

    BOOL OnInitDialog() override {
        Base::OnInitDialog();
        if (setup)
            setup();
        this->PostMessage(WM_APP);
        return TRUE;
    }

    BEGIN_MSG_MAP(ScriptedDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    CHAIN_MSG_MAP(Base)
    END_MSG_MAP()

private:
    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        Pump(200);
        this->EndDialog(IDOK); // the loop ends once this message is handled
        if (script)
            script();
        Sleep(HoldTime());
        return 0;
    }
};

// A memory DC with a bitmap of its own, filled with one colour.
class Surface {
public:
    Surface(int width, int height, COLORREF colour) {
        CClientDC screen(nullptr);
        m_dc.CreateCompatibleDC(screen);
        m_bitmap.CreateCompatibleBitmap(screen, width, height);
        m_selection.Select(m_dc, m_bitmap);
        m_dc.FillSolidRect(CRect(0, 0, width, height), colour);
    }

    operator HDC() const { return m_dc; }
    // The bitmap, for another owner; the surface draws no more.
    HBITMAP TakeBitmap() {
        m_selection.Restore();
        return m_bitmap.Detach();
    }

private:
    CBitmap m_bitmap;
    CDC m_dc;
    CSelectObject m_selection; // goes first, then the DC, then the bitmap it no longer holds
};

inline POINT ScreenPoint(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

inline COLORREF ScreenPixel(POINT p) {
    return GetPixel(CClientDC(nullptr), p.x, p.y);
}

inline bool Near(COLORREF colour, COLORREF expected, int tolerance = 12) {
    return std::abs(GetRValue(colour) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(colour) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(colour) - GetBValue(expected)) <= tolerance;
}

// One character per row (or per column) of `area` of a window's client area as the screen shows
// it: '#' where a pixel of that row matches, '.' where none does.
inline std::string Profile(HWND window, const RECT& area, bool rows,
                           const std::function<bool(COLORREF)>& match) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const POINT origin = ScreenPoint(window, area.left, area.top);
    Surface copy(width, height, 0);
    BitBlt(copy, 0, 0, width, height, CClientDC(nullptr), origin.x, origin.y, SRCCOPY);
    std::string found(rows ? height : width, '.');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (match(GetPixel(copy, x, y)))
                found[rows ? y : x] = '#';
    return found;
}
inline std::string Rows(HWND window, const RECT& area, const std::function<bool(COLORREF)>& match) {
    return Profile(window, area, true, match);
}
inline std::string Columns(HWND window, const RECT& area, const std::function<bool(COLORREF)>& match) {
    return Profile(window, area, false, match);
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

// An empty folder `name` beside the test program, named in `variable`: the virtual camera's, or
// the look-alike driver libraries'.
inline std::filesystem::path FreshFolder(const char* name, const char* variable = "TERVOLIN_VCAM") {
    const std::filesystem::path folder = std::filesystem::path(ModuleFolder(nullptr)) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    _putenv_s(variable, folder.string().c_str());
    return folder;
}
