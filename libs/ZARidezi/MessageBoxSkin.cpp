// MessageBoxSkinEx: a layered dialog of the program's toolkit with the message skin, labels for
// its caption and text, and image buttons for the answers the style asks for. Its text, icon and
// buttons are ordinary child windows, so automation and screen readers see them.
#include "libs/ZARidezi/ZARidezi.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Controls/GdipButton.h"
#include "Controls/Label.h"
#include "Controls/TransparentDialogBase.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "skin/SkinStyle.h"

namespace {

constexpr int kSkinWidth = 420;
constexpr int kMargin = 24;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 44;
constexpr int kButtonGap = 12;
constexpr int kButtonTop = 148;
constexpr COLORREF kBodyGrey = RGB(0xED, 0xED, 0xED);

HMODULE g_module = nullptr;

struct Answer {
    int id;
    std::string caption;
};

std::string Text(const char* text) {
    return text ? text : "";
}

// The answers the platform's message box offers for the style, with the captions given for the
// four the program translates.
std::vector<Answer> AnswersFor(UINT style, const char* ok, const char* cancel, const char* yes,
                               const char* no) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{IDOK, Text(ok)}, {IDCANCEL, Text(cancel)}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, Text(yes)}, {IDNO, Text(no)}, {IDCANCEL, Text(cancel)}};
    case MB_YESNO:
        return {{IDYES, Text(yes)}, {IDNO, Text(no)}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "Retry"}, {IDCANCEL, Text(cancel)}};
    case MB_CANCELTRYCONTINUE:
        return {{IDCANCEL, Text(cancel)}, {IDTRYAGAIN, "Try Again"}, {IDCONTINUE, "Continue"}};
    default:
        return {{IDOK, Text(ok)}};
    }
}

HICON IconFor(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        return LoadIconA(nullptr, IDI_HAND);
    case MB_ICONQUESTION:
        return LoadIconA(nullptr, IDI_QUESTION);
    case MB_ICONEXCLAMATION:
        return LoadIconA(nullptr, IDI_EXCLAMATION);
    case MB_ICONASTERISK:
        return LoadIconA(nullptr, IDI_ASTERISK);
    default:
        return nullptr;
    }
}

class CSkinMessageBox : public CTransparentDialogBase {
public:
    enum { IDD = IDD_MESSAGE_BOX };

    CSkinMessageBox(HWND owner, std::string text, std::string caption, UINT style,
                    std::vector<Answer> answers)
        : CTransparentDialogBase(IDPNG_MESSAGE_SKIN, IDD, owner, true), m_text(std::move(text)),
          m_caption(std::move(caption)), m_style(style), m_answers(std::move(answers)) {
        for (std::size_t i = 0; i < m_answers.size(); ++i)
            m_buttons.push_back(std::make_unique<CGdipButton>());
    }

    void DoDataExchange(CDataExchange* exchange) override {
        DDX_Control(exchange, IDC_MESSAGE_TEXT, m_message);
        DDX_Control(exchange, IDC_MESSAGE_CAPTION, m_title);
        for (std::size_t i = 0; i < m_answers.size(); ++i)
            DDX_Control(exchange, m_answers[i].id, *m_buttons[i]);
    }

    BOOL OnInitDialog() override {
        CTransparentDialogBase::OnInitDialog();
        SetWindowText(m_caption);

        const HICON icon = IconFor(m_style);
        if (icon != nullptr) {
            ::SendMessageA(GetDlgItem(IDC_MESSAGE_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            ::SetWindowPos(GetDlgItem(IDC_MESSAGE_ICON), nullptr, kMargin, 62, 32, 32,
                           SWP_NOZORDER | SWP_SHOWWINDOW);
        }
        const int textLeft = icon != nullptr ? kMargin + 32 + 16 : kMargin;
        const struct {
            CLabel* label;
            const std::string* text;
            RECT place;
            int size;
            COLORREF colour;
        } labels[] = {{&m_title, &m_caption, {kMargin, 12, kSkinWidth - kMargin, 40}, 12, 0xFFFFFF},
                      {&m_message, &m_text, {textLeft, 58, kSkinWidth - kMargin, 136}, 9, 0x404040}};
        for (const auto& l : labels) {
            l.label->MoveWindow(l.place, false);
            StyleSkinLabel(*l.label, *l.text, l.size, l.colour);
        }

        const int count = static_cast<int>(m_buttons.size());
        int x = (kSkinWidth - (count * kButtonWidth + (count - 1) * kButtonGap)) / 2;
        HWND previous = HWND_TOP;
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            CGdipButton& button = *m_buttons[i];
            StyleSkinButton(button, m_answers[i].caption);
            // Left to right in the tab order too.
            button.SetWindowPos(previous, x, kButtonTop, kButtonWidth, kButtonHeight, SWP_SHOWWINDOW);
            previous = button.GetSafeHwnd();
            x += kButtonWidth + kButtonGap;
        }
        const std::size_t defaultIndex = (m_style & MB_DEFMASK) >> 8;
        CGdipButton& defaultButton = *m_buttons[defaultIndex < m_buttons.size() ? defaultIndex : 0];
        SendMessage(DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(defaultButton)));

        // Over the owner when it is on screen, else in the middle of the work area.
        RECT area;
        HWND owner = ::GetParent(LayerWindow());
        if (owner == nullptr || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area))
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        const CRect box = GetWindowRect();
        SetWindowPos(nullptr, area.left + (area.right - area.left - box.Width()) / 2,
                     area.top + (area.bottom - area.top - box.Height()) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetForegroundWindow(m_hWnd);
        ::SetFocus(defaultButton);
        return FALSE; // the focus is set
    }

    // Escape: a box with only OK answers OK, one with Cancel answers Cancel, any other ignores it.
    void OnCancel() override {
        if (Offers(IDCANCEL))
            EndModalWith(IDCANCEL);
        else if (m_answers.size() == 1 && m_answers[0].id == IDOK)
            EndModalWith(IDOK);
    }
    void OnOK() override {
        if (Offers(IDOK))
            EndModalWith(IDOK);
    }

    BEGIN_MSG_MAP(CSkinMessageBox)
    MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()

private:
    bool Offers(int id) const {
        return std::any_of(m_answers.begin(), m_answers.end(), [id](const Answer& a) { return a.id == id; });
    }
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
        const int id = LOWORD(wParam);
        // OK and Cancel go through OnOK and OnCancel; the other answers end the box directly.
        if (id == IDOK || id == IDCANCEL || HIWORD(wParam) != BN_CLICKED || !Offers(id)) {
            handled = false;
            return 0;
        }
        EndModalWith(id);
        return 0;
    }

    // The icon sits on the skin's light grey body.
    LRESULT OnCtlColorStatic(UINT, WPARAM, LPARAM, bool&) {
        if (!m_bodyBrush)
            m_bodyBrush.CreateSolidBrush(kBodyGrey);
        return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(m_bodyBrush));
    }

    CBrush m_bodyBrush;
    std::string m_text;
    std::string m_caption;
    UINT m_style;
    std::vector<Answer> m_answers;
    CLabel m_message;
    CLabel m_title;
    std::vector<std::unique_ptr<CGdipButton>> m_buttons;
};

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    return TRUE;
}

extern "C" int WINAPI MessageBoxSkinEx(const char* okCaption, const char* cancelCaption,
                                       const char* yesCaption, const char* noCaption, HWND owner,
                                       const char* text, const char* caption, UINT style) {
    // The toolkit finds the box's template, skin and faces in this library.
    AfxSetResourceHandle(g_module);
    // For the box's life: a library may not shut GDI+ down when it is unloaded, in DllMain.
    const CGdiPlusSession gdiplus;
    CSkinMessageBox box(owner, Text(text), Text(caption), style,
                        AnswersFor(style, okCaption, cancelCaption, yesCaption, noCaption));
    const INT_PTR result = box.DoModal();
    return result > 0 ? static_cast<int>(result) : 0;
}
