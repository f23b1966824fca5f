// Owner of a window that no C++ object is attached to: destroys it when it goes, unless it was
// detached or has gone already.
#pragma once

#include <windows.h>

#include <utility>

class CWindowHandle {
public:
    CWindowHandle() = default;
    explicit CWindowHandle(HWND window) : m_hWnd(window) {}
    ~CWindowHandle() { Destroy(); }
    CWindowHandle(const CWindowHandle&) = delete;
    CWindowHandle& operator=(const CWindowHandle&) = delete;

    HWND Get() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND window) {
        Destroy();
        m_hWnd = window;
    }
    HWND Detach() { return std::exchange(m_hWnd, nullptr); }
    void Destroy() {
        if (HWND window = Detach(); window != nullptr && ::IsWindow(window))
            ::DestroyWindow(window);
    }

private:
    HWND m_hWnd = nullptr;
};
