// While the firmware is being written, a shutdown or the system falling asleep would cut the
// camera off with its flash half written. This keeps the system awake for that time and gives a
// shutdown the window's reason to wait.
#pragma once

#include <windows.h>

#include <string>

class CUpdateInProgress {
public:
    CUpdateInProgress() = default;
    ~CUpdateInProgress() { End(); }
    CUpdateInProgress(const CUpdateInProgress&) = delete;
    CUpdateInProgress& operator=(const CUpdateInProgress&) = delete;

    // From now until End, on the calling thread, which must own `window`.
    void Begin(HWND window, const std::string& reason);
    void End();
    bool Active() const { return m_hWnd != nullptr; }

private:
    HWND m_hWnd = nullptr;
};
