// The one-updater-at-a-time claim.
#include "app/SingleInstance.h"

CSingleInstance::CSingleInstance(const char* name) {
    m_hMutex.Attach(CreateMutexA(nullptr, FALSE, name));
    const DWORD error = GetLastError();
    // Access is refused when the other updater runs as another user. Any other failure says
    // nothing about another updater, and must not lock the user out of this one.
    m_bFirst = m_hMutex ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

void ShowRunningInstance() {
    // The main window and the update dialog both carry this caption; the visible one is in front.
    for (HWND window = FindWindowA("#32770", "Tervolin"); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", "Tervolin")) {
        if (IsWindowVisible(window)) {
            SetForegroundWindow(window);
            return;
        }
    }
}
