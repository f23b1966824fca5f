// Holding off sleep and shutdown while the firmware is written.
#include "app/UpdateInProgress.h"

#include <vector>

void CUpdateInProgress::Begin(HWND window, const std::string& reason) {
    End();
    m_hWnd = window;
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    // The reason only informs the user: the window's answer to the shutdown's question decides.
    const int length = MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return;
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, wide.data(), length) > 0)
        ShutdownBlockReasonCreate(window, wide.data());
}

void CUpdateInProgress::End() {
    if (m_hWnd == nullptr)
        return;
    if (IsWindow(m_hWnd))
        ShutdownBlockReasonDestroy(m_hWnd);
    SetThreadExecutionState(ES_CONTINUOUS);
    m_hWnd = nullptr;
}
