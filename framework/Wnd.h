// CWnd: a C++ object attached to a window. One map from window handles to objects; a window is
// attached when a dialog is created or a control is subclassed, and detached at WM_NCDESTROY.
#pragma once

#include <windows.h>

#include <string>

#include "framework/MessageMap.h"
#include "framework/Types.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object attached to a window, or null.
    static CWnd* FromHandlePermanent(HWND window);

    // Attaches this object to an existing window and routes its messages through the object's
    // table; what the table leaves goes to the window's own procedure.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();

    // Hooks, in the framework's order.
    virtual void PreSubclassWindow() {}
    virtual BOOL PreTranslateMessage(MSG* message);
    virtual bool DestroyWindow();
    virtual void PostNcDestroy() {}

    // The message table; classes declare theirs with BEGIN_MSG_MAP.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result);

    // The window's own procedure for this message (the one replaced by subclassing).
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    // Thin wrappers of what the dialogs and controls use.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, message, wParam, lParam) != FALSE;
    }
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    bool ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    bool ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    bool ShowWindow(int command) { return ::ShowWindow(m_hWnd, command) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    CRect GetClientRect() const;
    CRect GetWindowRect() const;
    void ScreenToClient(RECT& rect) const;
    bool MoveWindow(const RECT& rect, bool repaint = true) {
        return ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            repaint) != FALSE;
    }
    bool SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags) != FALSE;
    }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    bool KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }
    HICON SetIcon(HICON icon, bool big) {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }

protected:
    // Every message of an attached window comes here: reflected notifications first go to the
    // child that sent them, then the table, then the window's own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Attaches the object and puts the framework's procedure in front of the window's own.
    void AttachAndHook(HWND window);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK HookedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void Detach();

    WNDPROC m_pfnSuper = nullptr;
};
