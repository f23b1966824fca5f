// Message tables: each window class declares one next to its members; it expands to a single
// dispatch function that tries the entries in order and chains to its base's table.
//
//   BEGIN_MSG_MAP(CMyButton)
//       MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
//       CHAIN_MSG_MAP(CButton)
//   END_MSG_MAP()
//
// A message handler is LRESULT Handler(UINT, WPARAM, LPARAM, bool& handled); a command handler is
// LRESULT Handler(WORD code, WORD id, HWND control, bool& handled). Clearing `handled` lets the
// rest of the table and then the window's default procedure see the message as well.
#pragma once

#include <windows.h>

// Notifications a parent reflects to the child control that sent them, before handling them.
constexpr UINT OCM__BASE = WM_USER + 0x1C00;
constexpr UINT OCM_COMMAND = OCM__BASE + WM_COMMAND;
constexpr UINT OCM_DRAWITEM = OCM__BASE + WM_DRAWITEM;
constexpr UINT OCM_CTLCOLORBTN = OCM__BASE + WM_CTLCOLORBTN;
constexpr UINT OCM_CTLCOLORSTATIC = OCM__BASE + WM_CTLCOLORSTATIC;
constexpr UINT OCM_CTLCOLORDLG = OCM__BASE + WM_CTLCOLORDLG;

#define BEGIN_MSG_MAP(theClass)                                                                              \
public:                                                                                                      \
    bool ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)          \
        override {                                                                                           \
        bool bHandled = true;                                                                                \
        (void)hWnd;                                                                                          \
        (void)bHandled;

#define MESSAGE_HANDLER(msg, func)                                                                           \
    if (uMsg == (msg)) {                                                                                     \
        bHandled = true;                                                                                     \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                      \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)                                                       \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {                                                           \
        bHandled = true;                                                                                     \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                      \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

#define COMMAND_HANDLER(id, code, func)                                                                      \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {                          \
        bHandled = true;                                                                                     \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);            \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

#define COMMAND_ID_HANDLER(id, func)                                                                         \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                                      \
        bHandled = true;                                                                                     \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);            \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

// A command notification (BN_CLICKED and the like) reflected from the parent to this control.
#define REFLECTED_COMMAND_CODE_HANDLER(code, func)                                                           \
    if (uMsg == OCM_COMMAND && HIWORD(wParam) == (code)) {                                                   \
        bHandled = true;                                                                                     \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);            \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

#define CHAIN_MSG_MAP(theBase)                                                                               \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                                  \
        return true;

#define END_MSG_MAP()                                                                                        \
    return false;                                                                                            \
    }
