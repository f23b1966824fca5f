// CTervolinDlg: the main window. It names the firmware about to be installed, checks the camera
// when it opens, and runs the update when the user presses its write button.
#pragma once

#include "app/DriverLibrary.h"
#include "Controls/GdipButton.h"
#include "Controls/Label.h"
#include "Controls/TransparentDialogBase.h"
#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"
#include "res/resource.h"

// The about box: a plain dialog from its template.
class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };
    CAboutDlg() : CDialog(IDD) {}
};

class CTervolinDlg : public CTransparentDialogBase {
public:
    enum { IDD = IDD_TERVOLIN_DIALOG };
    CTervolinDlg();

    void SetForce(bool force) { m_bForce = force; }
    void SetOld(bool old) { m_bOld = old; }
    // What the program's exit code should say once the window has closed: the outcome of the
    // last thing that involved the camera, or that the user cancelled before anything did.
    int ExitCode() const { return m_nExitCode; }

    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    // While the write handler runs, nothing but the handler itself ends the window.
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* message) override;

    BEGIN_MSG_MAP(CTervolinDlg)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    COMMAND_HANDLER(IDOK, BN_CLICKED, OnWrite)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()

private:
    SwitchFlags Flags() const { return {m_bForce, m_bOld}; }
    void ShowMessage(const CheckMessage& message);
    // Notes an ending: its exit code for the program and its history record.
    void Note(Ending ending, const std::string& before, const std::string& after,
              const std::vector<FlashAttempt>& attempts = {});
    // Keeps why the driver library of the last check was not used, for the records that follow.
    void KeepDriverProblem(const CDriverLibrary& driver) { m_sDriverProblem = driver.Problem(); }

    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(m_hIcon); }
    LRESULT OnWrite(WORD, WORD, HWND, bool&);
    void Write();

    HICON m_hIcon;
    CGdipButton m_btnWrite;
    CGdipButton m_btnCancel;
    CLabel m_lblTitle;
    CLabel m_lblDuration;
    CLabel m_lblQuestion;
    HINSTANCE m_hTextModule;
    bool m_bForce = false;
    bool m_bOld = false;
    // Set from the press of the write button until its handler returns: the handler's message
    // boxes and the update dialog run modal loops, in which a second press would otherwise start
    // a second update over the first.
    bool m_bWriting = false;
    int m_nExitCode = kExitCancelled;
    std::string m_sCodeVersion; // the latest the camera reported
    std::string m_sDriverProblem;
};
