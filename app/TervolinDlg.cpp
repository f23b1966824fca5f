// The main window.
#include "TervolinDlg.h"

#include "DialogIcon.h"
#include "DriverLibrary.h"
#include "FirmwareUpdateDlg.h"
#include "FlashThread.h"
#include "SetupApiInventory.h"
#include "SkinMessageBox.h"
#include "SkinStyle.h"
#include "Strings.h"
#include "TextIds.h"
#include "TextModule.h"
#include "WinApp.h"

CTervolinDlg::CTervolinDlg()
    : CTransparentDialogBase(103, 102, nullptr, true),
      m_hIcon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(128))), m_hTextModule(GetTextModule()) {}

void CTervolinDlg::DoDataExchange(CDataExchange* exchange) {
    CTransparentDialogBase::DoDataExchange(exchange);
    DDX_Control(exchange, 1, m_btnWrite);
    DDX_Control(exchange, 2, m_btnCancel);
    DDX_Control(exchange, 1000, m_lblTitle);
    DDX_Control(exchange, 1001, m_lblDuration);
    DDX_Control(exchange, 1002, m_lblQuestion);
}

BOOL CTervolinDlg::OnInitDialog() {
    CTransparentDialogBase::OnInitDialog();
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

    // Enter writes the firmware. The template makes both buttons default push buttons, which
    // would leave Cancel as the default.
    SendMessage(DM_SETDEFID, IDOK);

    CSetupApiInventory inventory;
    CDriverLibrary driver;
    CResourceImages images;
    const Decision decision = OpeningCheck(inventory, driver, images, Flags());
    if (decision.message) {
        ShowMessage(*decision.message);
        OnCancel();
    }
    return TRUE;
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
    if (check.message) {
        ShowMessage(*check.message);
        return;
    }
    CFirmwareUpdateDlg update;
    ShowWindow(SW_HIDE);
    const int result = static_cast<int>(update.DoModal());
    const Decision outcome = OutcomeReport(result);
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
    if (!m_bWriting)
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
    handled = PaintMinimizedIcon(m_hWnd, m_hIcon);
    return 0;
}
