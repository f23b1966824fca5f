// The unattended update.
#include "app/QuietUpdate.h"

#include "app/DriverCrashHandler.h"
#include "app/DriverLibrary.h"
#include "app/FlashThread.h"
#include "app/SetupApiInventory.h"
#include "app/TextModule.h"
#include "core/FirmwareVersion.h"
#include "core/RunEnding.h"
#include "core/Messages.h"
#include "framework/WindowHandle.h"
#include "res/resource.h"

namespace {

constexpr char kWindowClass[] = "TervolinQuietUpdate";

// What the run saw of the camera, for its records.
HistoryRecord Seen(const std::string& before, const std::string& after) {
    HistoryRecord seen;
    seen.before = before;
    seen.after = after;
    return seen;
}

} // namespace

int CQuietUpdate::Run() {
    CSetupApiInventory inventory;
    CDriverLibrary driver;
    CResourceImages images;
    const Decision opening = OpeningCheck(inventory, driver, images, m_flags);
    if (opening.message)
        return Refuse(*opening.message, opening.reported, driver.Problem());
    const Decision write = WriteCheck(driver, images, m_flags, FirmwareResourceId);
    if (write.message)
        return Refuse(*write.message, write.reported, driver.Problem());

    m_history.Record(EndingRecord(Ending::Begun, Seen(write.reported, write.reported)));
    const bool verified = Flash();
    // The worker has ended: the camera is this thread's again.
    HistoryRecord seen = Seen(write.reported, ReadCodeVersionInSession(driver));
    seen.attempts = FlashAttempts;
    const HistoryRecord record = EndingRecord(UpdateEnding(verified), std::move(seen));
    m_history.Record(record);
    return record.exitCode;
}

int CQuietUpdate::Refuse(const CheckMessage& message, const std::string& reported,
                         const std::string& driverProblem) {
    HistoryRecord seen = Seen(reported, reported);
    seen.driver = driverProblem;
    const HistoryRecord record = EndingRecord(RefusalEnding(message), std::move(seen));
    m_history.Record(record);
    return record.exitCode;
}

bool CQuietUpdate::Flash() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExA(&windowClass);
    // A top-level window, so that a shutdown asks it, never shown; no task-bar button either.
    const CWindowHandle window(CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "Tervolin", WS_POPUP, 0, 0, 0,
                                               0, nullptr, nullptr, windowClass.hInstance, this));
    if (window.Get() == nullptr)
        return false;
    m_updating.Begin(window.Get(), LoadText(IDS_DO_NOT_DISCONNECT));
    if (!m_job.Start(window.Get())) {
        m_updating.End();
        return false;
    }
    // A quit request is not the end of the update: the loop goes on until the worker's result.
    MSG message;
    while (!m_verified) {
        if (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        else if (!m_job.Running())
            break; // nothing would ever post the result
    }
    m_job.Wait();
    m_updating.End();
    return m_verified.value_or(false);
}

LRESULT CALLBACK CQuietUpdate::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CQuietUpdate*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self != nullptr ? self->OnMessage(window, message, wParam, lParam)
                           : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CQuietUpdate::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_FLASH_DONE:
        m_verified = m_job.Result(window, wParam);
        return 0;
    case WM_DRIVER_FAILED:
        // The faulting worker will never end; its record is written. Another program's message
        // of the same number changes nothing.
        if (CDriverCrashHandler::HasCrashed())
            TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
        return 0;
    case WM_QUERYENDSESSION:
        return m_updating.Active() ? FALSE : TRUE;
    case WM_ENDSESSION:
        // The process ends once this returns: not before the camera has its flash in one piece.
        if (wParam != 0 && CDriverCrashHandler::HasCrashed())
            TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
        if (wParam != 0)
            m_job.Wait();
        return 0;
    case WM_CLOSE:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
