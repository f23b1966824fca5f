// CFirmwareUpdateDlg: the skinned window shown while the firmware is flashed. It starts the
// flashing worker, turns its stage messages into a creeping progress bar, blinks its wait label,
// and ends with OK or cancel when the worker reports the result. The user cannot close it, and
// while the worker runs the system is kept awake and a shutdown is asked to wait.
#pragma once

#include "FlashWorker.h"
#include "Label.h"
#include "ProgressCtrlST.h"
#include "TransparentDialogBase.h"
#include "UpdateInProgress.h"

class CFirmwareUpdateDlg : public CTransparentDialogBase {
public:
    CFirmwareUpdateDlg();

    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_MSG_MAP(CFirmwareUpdateDlg)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_FLASH_PROGRESS, OnFlashProgress)
    MESSAGE_HANDLER(WM_FLASH_DONE, OnFlashDone)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_QUERYENDSESSION, OnQueryEndSession)
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
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, bool&);
    LRESULT OnQueryEndSession(UINT, WPARAM, LPARAM, bool&) { return m_updating.Active() ? FALSE : TRUE; }

    HICON m_hIcon;
    CLabel m_lblTitle;
    CLabel m_lblWarning;
    CLabel m_lblDuration;
    CLabel m_lblWait;
    CProgressCtrlST m_progress;
    int m_nStopPosition = 0;
    HINSTANCE m_hTextModule;
    CUpdateInProgress m_updating;
};
