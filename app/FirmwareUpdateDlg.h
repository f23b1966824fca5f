// CFirmwareUpdateDlg: the skinned window shown while the firmware is flashed. It starts the
// flashing worker, turns its stage messages into a creeping progress bar, blinks its wait label,
// and ends with OK or cancel when the worker reports the result. Nothing ends it early: not the
// user, not a quit request or a session ending, and while the worker runs the system is kept awake
// and a shutdown is asked to wait. Its modal run returns only once the worker thread has ended.
#pragma once

#include <optional>
#include <vector>

#include "app/FlashThread.h"
#include "app/UpdateInProgress.h"
#include "Controls/Label.h"
#include "Controls/ProgressCtrlST.h"
#include "Controls/TransparentDialogBase.h"
#include "core/FlashWorker.h"
#include "res/resource.h"

class CFirmwareUpdateDlg : public CTransparentDialogBase {
public:
    enum { IDD = IDD_FIRMWARE_UPDATE };
    CFirmwareUpdateDlg();

    INT_PTR DoModal() override;
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool KeepRunningOnQuit(int exitCode) override;

    // The exit code of a quit request that arrived during the update; whoever ran the dialog
    // passes it on once the outcome has been shown.
    std::optional<int> PendingQuit() const { return m_nPendingQuit; }
    // What the worker's attempts did, once the modal run has returned.
    const std::vector<FlashAttempt>& Attempts() const { return m_attempts; }

    BEGIN_MSG_MAP(CFirmwareUpdateDlg)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_FLASH_PROGRESS, OnFlashProgress)
    MESSAGE_HANDLER(WM_FLASH_DONE, OnFlashDone)
    MESSAGE_HANDLER(WM_DRIVER_FAILED, OnDriverFailed)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_QUERYENDSESSION, OnQueryEndSession)
    MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()

private:
    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        return Default(message, wParam, lParam);
    }
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(m_hIcon); }
    LRESULT OnFlashProgress(UINT, WPARAM wParam, LPARAM lParam, bool&);
    LRESULT OnFlashDone(UINT, WPARAM wParam, LPARAM, bool&);
    // The driver library faulted on the worker, which will never end: the user hears of it, and
    // the program ends with kExitDriverFailed when the message is answered.
    LRESULT OnDriverFailed(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, bool&);
    LRESULT OnQueryEndSession(UINT, WPARAM, LPARAM, bool&) { return m_updating.Active() ? FALSE : TRUE; }
    LRESULT OnEndSession(UINT, WPARAM wParam, LPARAM, bool&);

    HICON m_hIcon;
    CLabel m_lblTitle;
    CLabel m_lblWarning;
    CLabel m_lblDuration;
    CLabel m_lblWait;
    CProgressCtrlST m_progress;
    int m_nStopPosition = 0;
    HINSTANCE m_hTextModule;
    CUpdateInProgress m_updating;
    CFlashJob m_job;
    std::optional<int> m_nPendingQuit;
    std::vector<FlashAttempt> m_attempts;
};
