// The main window.
#include "app/TervolinDlg.h"

#include "app/DialogIcon.h"
#include "app/DriverLibrary.h"
#include "app/FirmwareUpdateDlg.h"
#include "app/FlashThread.h"
#include "app/SetupApiInventory.h"
#include "app/SkinMessageBox.h"
#include "app/StartupTrace.h"
#include "app/TextModule.h"
#include "app/UpdateHistoryFile.h"
#include "core/FirmwareVersion.h"
#include "core/RunEnding.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "skin/SkinStyle.h"

CTervolinDlg::CTervolinDlg()
    : CTransparentDialogBase(IDPNG_MAIN_SKIN, IDD, nullptr, true),
      m_hIcon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_TERVOLIN))),
      m_hTextModule(GetTextModule()) {}

void CTervolinDlg::DoDataExchange(CDataExchange* exchange) {
    CTransparentDialogBase::DoDataExchange(exchange);
    DDX_Control(exchange, IDOK, m_btnWrite);
    DDX_Control(exchange, IDCANCEL, m_btnCancel);
    DDX_Control(exchange, IDC_TITLE, m_lblTitle);
    DDX_Control(exchange, IDC_DURATION, m_lblDuration);
    DDX_Control(exchange, IDC_QUESTION, m_lblQuestion);
}

BOOL CTervolinDlg::OnInitDialog() {
    TraceStartup("OnInitDialog");
    CTransparentDialogBase::OnInitDialog();
    TraceStartup("skin applied: region, layered image, controls bound");
    GetSystemMenu(m_hWnd, FALSE);
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    const struct {
        CGdipButton* button;
        UINT text;
    } buttons[] = {{&m_btnWrite, IDS_OK}, {&m_btnCancel, IDS_CANCEL}};
    for (const auto& b : buttons)
        StyleSkinButton(*b.button, LoadResourceString(m_hTextModule, b.text));

    const struct {
        CLabel* label;
        std::string text;
        int size;
        COLORREF colour;
    } labels[] = {
        {&m_lblTitle, LoadResourceString(m_hTextModule, IDS_FIRMWARE_UPDATE), 12, 0xFFFFFF},
        {&m_lblDuration, LoadResourceString(m_hTextModule, IDS_DURATION), 9, 0x696969},
        {&m_lblQuestion, LoadResourceString(m_hTextModule, IDS_QUESTION) + ConfirmationSuffix(m_bOld), 9,
         0x696969},
    };
    for (const auto& l : labels)
        StyleSkinLabel(*l.label, l.text, l.size, l.colour);
    TraceStartup("labels and buttons styled");

    // Enter writes the firmware. The template makes both buttons default push buttons, which
    // would leave Cancel as the default.
    SendMessage(DM_SETDEFID, IDOK);

    CSetupApiInventory inventory;
    CDriverLibrary driver;
    CResourceImages images;
    const Decision decision = OpeningCheck(inventory, driver, images, Flags());
    TraceStartup("opening check");
    m_sCodeVersion = decision.reported;
    KeepDriverProblem(driver);
    if (decision.message) {
        ShowMessage(*decision.message);
        Note(RefusalEnding(*decision.message), m_sCodeVersion, m_sCodeVersion);
        CTransparentDialogBase::OnCancel();
    }
    return TRUE;
}

void CTervolinDlg::Note(Ending ending, const std::string& before, const std::string& after,
                        const std::vector<FlashAttempt>& attempts) {
    HistoryRecord seen;
    seen.before = before;
    seen.after = after;
    seen.attempts = attempts;
    seen.driver = m_sDriverProblem;
    const HistoryRecord record = EndingRecord(ending, std::move(seen), m_nExitCode);
    m_nExitCode = record.exitCode;
    CUpdateHistoryFile(Flags()).Record(record);
}

void CTervolinDlg::ShowMessage(const CheckMessage& message) {
    SkinMessageBox(m_hWnd,
                   LoadResourceString(GetTextModule(), static_cast<UINT>(message.textId)) + message.suffix,
                   LoadResourceString(GetTextModule(), static_cast<UINT>(message.captionId)), message.style);
}

LRESULT CTervolinDlg::OnWrite(WORD, WORD, HWND, bool&) {
    if (m_bWriting)
        return 0;
    m_bWriting = true;
    Write();
    m_bWriting = false;
    return 0;
}

void CTervolinDlg::Write() {
    CDriverLibrary driver;
    CResourceImages images;
    const Decision check = WriteCheck(driver, images, Flags(), FirmwareResourceId);
    m_sCodeVersion = check.reported;
    KeepDriverProblem(driver);
    if (check.message) {
        ShowMessage(*check.message);
        Note(RefusalEnding(*check.message), m_sCodeVersion, m_sCodeVersion);
        if (check.next == NextStep::CloseCancelled) // nothing a second press could change
            CTransparentDialogBase::OnCancel();
        return;
    }
    CFirmwareUpdateDlg update;
    // Until the update's ending follows it, this record says that the camera may be half-written.
    Note(Ending::Begun, m_sCodeVersion, m_sCodeVersion);
    ShowWindow(SW_HIDE);
    const int result = static_cast<int>(update.DoModal());
    const Decision outcome = OutcomeReport(result);
    // The worker has ended: the camera is this thread's again.
    const std::string before = m_sCodeVersion;
    m_sCodeVersion = ReadCodeVersionInSession(driver);
    Note(UpdateEnding(outcome.next == NextStep::CloseOk), before, m_sCodeVersion, update.Attempts());
    ShowMessage(*outcome.message);
    if (outcome.next == NextStep::CloseOk)
        CTransparentDialogBase::OnOK();
    else
        ShowWindow(SW_SHOW);
    // A quit request that came during the update is honoured now that its outcome is known.
    if (const std::optional<int> quit = update.PendingQuit())
        PostQuitMessage(*quit);
}

void CTervolinDlg::OnCancel() {
    if (m_bWriting)
        return;
    // The exit code keeps what the last check or update said; it says "cancelled" only when
    // nothing had been said yet.
    Note(Ending::Cancelled, m_sCodeVersion, m_sCodeVersion);
    CTransparentDialogBase::OnCancel();
}

BOOL CTervolinDlg::PreTranslateMessage(MSG* message) {
    // Enter presses the button that has the focus. Image buttons do not take the default when
    // they get the focus, so the dialog manager alone would press the write button for both.
    if (message->message == WM_KEYDOWN && message->wParam == VK_RETURN) {
        for (const CGdipButton* button : {&m_btnWrite, &m_btnCancel}) {
            if (message->hwnd == button->GetSafeHwnd() && ::IsWindowEnabled(message->hwnd)) {
                SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(message->hwnd), BN_CLICKED),
                            reinterpret_cast<LPARAM>(message->hwnd));
                return TRUE;
            }
        }
    }
    return CTransparentDialogBase::PreTranslateMessage(message);
}

LRESULT CTervolinDlg::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if ((wParam & 0xFFF0) == 0x0010) {
        CAboutDlg about;
        about.DoModal();
        return 0;
    }
    return Default(message, wParam, lParam);
}

LRESULT CTervolinDlg::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
    TraceStartupOnce("main window first painted, message loop running");
    handled = PaintMinimizedIcon(m_hWnd, m_hIcon);
    return 0;
}
