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

    CSetupApiInventory inventory;
    CDriverLibrary driver;
    const Decision decision = OpeningCheck(inventory, driver, Flags());
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
    CDriverLibrary driver;
    const Decision check = WriteCheck(driver, Flags(), FirmwareResourceId);
    if (check.message) {
        ShowMessage(*check.message);
        return 0;
    }
    CFirmwareUpdateDlg update;
    ShowWindow(SW_HIDE);
    const int result = static_cast<int>(update.DoModal());
    const Decision outcome = OutcomeReport(result);
    ShowMessage(*outcome.message);
    if (outcome.next == NextStep::CloseOk)
        OnOK();
    else
        ShowWindow(SW_SHOW);
    return 0;
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
