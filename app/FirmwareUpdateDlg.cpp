// The firmware update dialog.
#include "app/FirmwareUpdateDlg.h"

#include "app/DialogIcon.h"
#include "app/DriverCrashHandler.h"
#include "app/FlashThread.h"
#include "app/SkinMessageBox.h"
#include "app/TextModule.h"
#include "core/ExitCodes.h"
#include "core/FlashWorker.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "skin/SkinStyle.h"

namespace {

constexpr UINT_PTR kStepTimer = 1;
constexpr UINT_PTR kBlinkTimer = 2;

} // namespace

CFirmwareUpdateDlg::CFirmwareUpdateDlg()
    : CTransparentDialogBase(IDPNG_UPDATE_SKIN, IDD, nullptr, true),
      m_hIcon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_TERVOLIN))),
      m_hTextModule(GetTextModule()) {}

INT_PTR CFirmwareUpdateDlg::DoModal() {
    const INT_PTR result = CTransparentDialogBase::DoModal();
    m_job.Wait();
    m_attempts = FlashAttempts;
    return result;
}

void CFirmwareUpdateDlg::DoDataExchange(CDataExchange* exchange) {
    CTransparentDialogBase::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_UPDATE_TITLE, m_lblTitle);
    DDX_Control(exchange, IDC_WARNING, m_lblWarning);
    DDX_Control(exchange, IDC_UPDATE_DURATION, m_lblDuration);
    DDX_Control(exchange, IDC_PLEASE_WAIT, m_lblWait);
    DDX_Control(exchange, IDC_PROGRESS, m_progress);
}

BOOL CFirmwareUpdateDlg::OnInitDialog() {
    CTransparentDialogBase::OnInitDialog();

    const struct {
        CLabel* label;
        UINT text;
        int size;
        COLORREF colour;
    } labels[] = {{&m_lblTitle, IDS_FIRMWARE_UPDATE, 12, 0xFFFFFF},
                  {&m_lblWarning, IDS_DO_NOT_DISCONNECT, 9, 0x696969},
                  {&m_lblDuration, IDS_DURATION, 9, 0x696969},
                  {&m_lblWait, IDS_PLEASE_WAIT, 9, 0xFFFFFF}};
    for (const auto& l : labels)
        StyleSkinLabel(*l.label, LoadResourceString(m_hTextModule, l.text), l.size, l.colour);

    m_progress.SetWindowPos(nullptr, 0, 0, 298, 13, SWP_NOMOVE | SWP_NOZORDER);
    // A themed progress class may drop the template's one-pixel border; the bitmaps are drawn
    // for the 296 x 11 client inside it.
    m_progress.ModifyStyle(0, WS_BORDER);
    m_progress.ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    m_progress.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    m_progress.SetBitmapResources(IDB_PROGRESS_FILL, IDB_PROGRESS_TRACK, true);
    m_progress.SendMessage(PBM_SETBKCOLOR, 0, 0);
    m_progress.SetRange(0, 100);
    m_progress.SetStep(1);
    m_progress.SetPos(0);

    m_updating.Begin(m_hWnd, LoadResourceString(m_hTextModule, IDS_DO_NOT_DISCONNECT));
    // Without a worker nothing would ever end the dialog: report the update as failed.
    if (!m_job.Start(m_hWnd))
        PostMessage(WM_FLASH_DONE, 0, 0);
    SetTimer(kBlinkTimer, 1000);
    return TRUE;
}

LRESULT CFirmwareUpdateDlg::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
    handled = PaintMinimizedIcon(m_hWnd, m_hIcon);
    return 0;
}

LRESULT CFirmwareUpdateDlg::OnFlashProgress(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    KillTimer(kStepTimer);
    m_nStopPosition = LOWORD(lParam);
    m_progress.SetPos(static_cast<int>(wParam));
    SetTimer(kStepTimer, HIWORD(lParam));
    return 0;
}

LRESULT CFirmwareUpdateDlg::OnFlashDone(UINT, WPARAM wParam, LPARAM, bool&) {
    const bool verified = m_job.Result(m_hWnd, wParam);
    m_updating.End();
    KillTimer(kStepTimer);
    KillTimer(kBlinkTimer);
    EndDialog(verified ? IDOK : IDCANCEL);
    return 0;
}

LRESULT CFirmwareUpdateDlg::OnDriverFailed(UINT, WPARAM, LPARAM, bool&) {
    // Another program's message of the same number changes nothing.
    if (!CDriverCrashHandler::HasCrashed())
        return 0;
    KillTimer(kStepTimer);
    KillTimer(kBlinkTimer);
    SkinMessageBox(m_hWnd, LoadText(IDS_DRIVER_FAILED), LoadText(IDS_FIRMWARE_UPDATE), MB_ICONEXCLAMATION);
    TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
    return 0;
}

bool CFirmwareUpdateDlg::KeepRunningOnQuit(int exitCode) {
    // Ending here would leave the worker writing unseen; the quit waits for the outcome.
    m_nPendingQuit = exitCode;
    return true;
}

LRESULT CFirmwareUpdateDlg::OnEndSession(UINT, WPARAM wParam, LPARAM, bool&) {
    // The session ends once this returns, and the process with it: hold it until the camera has
    // its flash back in one piece. The shutdown shows our reason meanwhile.
    if (wParam == 0)
        return 0;
    // A worker whose driver faulted never ends; its record is written, and the session may go.
    if (CDriverCrashHandler::HasCrashed())
        TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
    m_job.Wait();
    return 0;
}

LRESULT CFirmwareUpdateDlg::OnTimer(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam == kStepTimer) {
        const int next = static_cast<int>(m_progress.SendMessage(PBM_GETPOS)) + 1;
        if (next < m_nStopPosition)
            m_progress.SetPos(next);
    } else if (wParam == kBlinkTimer) {
        m_lblWait.ShowWindow(m_lblWait.IsWindowVisible() ? SW_HIDE : SW_SHOW);
    }
    return 0;
}
