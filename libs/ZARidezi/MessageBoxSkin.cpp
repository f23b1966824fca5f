// MessageBoxSkinEx: a dialog built in memory, laid out for its text, with a red title band over a
// light grey body like the program's windows. Its text, icon and buttons are ordinary child
// windows, so automation and screen readers see them.
#include "ZARidezi.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBandRed = RGB(200, 16, 46);
constexpr COLORREF kBandRedDark = RGB(150, 10, 32);
constexpr COLORREF kBodyGrey = RGB(238, 238, 238);
constexpr COLORREF kTextGrey = RGB(64, 64, 64);
constexpr COLORREF kWhite = RGB(255, 255, 255);

constexpr int kTextId = 100;
constexpr int kIconId = 101;

constexpr int kBandHeight = 32;
constexpr int kMargin = 18;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 10;
constexpr int kMaxTextWidth = 380;
constexpr int kMinTextWidth = 160;

struct Button {
    int id;
    std::string caption;
};

struct Box {
    std::vector<Button> buttons;
    int defaultIndex = 0;
    HICON icon = nullptr;
    std::string text;
    std::string caption;
    HFONT textFont = nullptr;
    HFONT captionFont = nullptr;
    HFONT buttonFont = nullptr;
    HBRUSH bodyBrush = nullptr;
};

std::string Text(const char* text) {
    return text ? text : "";
}

// The buttons the platform's message box shows for the style, with the captions given for the
// four the program translates.
std::vector<Button> ButtonsFor(UINT style, const char* ok, const char* cancel, const char* yes, const char* no) {
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

HFONT MakeFont(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

// An in-memory dialog template: the items' places are set when the dialog initialises.
class TemplateWriter {
public:
    void Word(WORD value) { m_data.push_back(value); }
    void DWord(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const wchar_t* text) {
        for (; *text; ++text)
            Word(*text);
        Word(0);
    }
    void AlignDWord() {
        if (m_data.size() % 2)
            Word(0);
    }
    void Item(DWORD style, int id, WORD classAtom) {
        AlignDWord();
        DWord(style | WS_CHILD | WS_VISIBLE);
        DWord(0);
        for (int i = 0; i < 4; ++i)
            Word(0);
        Word(static_cast<WORD>(id));
        Word(0xFFFF);
        Word(classAtom);
        Word(0); // no text: set later as 8-bit text
        Word(0); // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_data.data()); }

private:
    std::vector<WORD> m_data;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;


void Layout(HWND dialog, Box& box) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, box.textFont);
    RECT text{0, 0, kMaxTextWidth, 0};
    DrawTextA(dc, box.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, box.captionFont);
    RECT caption{0, 0, 0, 0};
    DrawTextA(dc, box.caption.c_str(), -1, &caption, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);

    const int iconWidth = box.icon ? kIconSize + kMargin : 0;
    const int textWidth = std::max<int>(text.right, kMinTextWidth);
    const int textHeight = std::max<int>(text.bottom, box.icon ? kIconSize : 0);
    const int buttonCount = static_cast<int>(box.buttons.size());
    const int buttonsWidth = buttonCount * kButtonWidth + (buttonCount - 1) * kButtonGap;
    const int width = std::max({kMargin + iconWidth + textWidth + kMargin, kMargin + buttonsWidth + kMargin,
                                static_cast<int>(caption.right) + 2 * kMargin});
    const int textTop = kBandHeight + kMargin;
    const int buttonTop = textTop + textHeight + kMargin;
    const int height = buttonTop + kButtonHeight + kMargin;

    if (box.icon)
        MoveWindow(GetDlgItem(dialog, kIconId), kMargin, textTop, kIconSize, kIconSize, FALSE);
    MoveWindow(GetDlgItem(dialog, kTextId), kMargin + iconWidth, textTop + (textHeight - text.bottom) / 2,
               textWidth, text.bottom, FALSE);
    int x = (width - buttonsWidth) / 2;
    for (const Button& button : box.buttons) {
        MoveWindow(GetDlgItem(dialog, button.id), x, buttonTop, kButtonWidth, kButtonHeight, FALSE);
        x += kButtonWidth + kButtonGap;
    }

    // Over the owner when it is on screen, else in the middle of the work area.
    RECT area;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawButton(const DRAWITEMSTRUCT& item, const Box& box) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    HBRUSH body = CreateSolidBrush(kBodyGrey);
    FillRect(dc, &r, body);
    DeleteObject(body);
    HBRUSH face = CreateSolidBrush(pressed ? kBandRedDark : kBandRed);
    HPEN edge = CreatePen(PS_SOLID, focused ? 2 : 1, focused ? kTextGrey : kBandRedDark);
    HGDIOBJ oldBrush = SelectObject(dc, face);
    HGDIOBJ oldPen = SelectObject(dc, edge);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 10, 10);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(edge);
    DeleteObject(face);

    char caption[128] = {};
    GetWindowTextA(item.hwndItem, caption, sizeof caption);
    HGDIOBJ oldFont = SelectObject(dc, box.buttonFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    DrawTextA(dc, caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

void PaintBand(HWND dialog, const Box& box) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT client;
    GetClientRect(dialog, &client);
    RECT band{0, 0, client.right, kBandHeight};
    HBRUSH red = CreateSolidBrush(kBandRed);
    FillRect(dc, &band, red);
    DeleteObject(red);
    HGDIOBJ oldFont = SelectObject(dc, box.captionFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    RECT text = band;
    text.left += kMargin;
    DrawTextA(dc, box.caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(dialog, &paint);
}

bool HasButton(const Box& box, int id) {
    return std::any_of(box.buttons.begin(), box.buttons.end(), [id](const Button& b) { return b.id == id; });
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Box* box = reinterpret_cast<Box*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        box = reinterpret_cast<Box*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, box->caption.c_str());
        SetDlgItemTextA(dialog, kTextId, box->text.c_str());
        SendDlgItemMessageA(dialog, kTextId, WM_SETFONT, reinterpret_cast<WPARAM>(box->textFont), FALSE);
        if (box->icon)
            SendDlgItemMessageA(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(box->icon), 0);
        for (const Button& button : box->buttons) {
            SetDlgItemTextA(dialog, button.id, button.caption.c_str());
            SendDlgItemMessageA(dialog, button.id, WM_SETFONT, reinterpret_cast<WPARAM>(box->buttonFont), FALSE);
        }
        Layout(dialog, *box);
        HWND defaultButton = GetDlgItem(dialog, box->buttons[static_cast<std::size_t>(box->defaultIndex)].id);
        SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(defaultButton)), 0);
        SetForegroundWindow(dialog);
        SetFocus(defaultButton);
        return FALSE; // the focus is set
    }
    case WM_PAINT:
        PaintBand(dialog, *box);
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(box->bodyBrush);
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), kTextGrey);
        SetBkColor(reinterpret_cast<HDC>(wParam), kBodyGrey);
        return reinterpret_cast<INT_PTR>(box->bodyBrush);
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *box);
        return TRUE;
    case WM_NCHITTEST: {
        // The title band moves the box, as a caption would.
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(dialog, &p);
        if (p.y >= 0 && p.y < kBandHeight) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, HTCAPTION);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (id == IDCANCEL && !HasButton(*box, IDCANCEL)) {
            // Escape: a box with only OK answers OK; one without Cancel ignores it.
            if (box->buttons.size() == 1 && box->buttons[0].id == IDOK)
                EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (HasButton(*box, id))
            EndDialog(dialog, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

extern "C" int WINAPI MessageBoxSkinEx(const char* okCaption, const char* cancelCaption, const char* yesCaption,
                                       const char* noCaption, HWND owner, const char* text, const char* caption,
                                       UINT style) {
    Box box;
    box.buttons = ButtonsFor(style, okCaption, cancelCaption, yesCaption, noCaption);
    const int defaultIndex = static_cast<int>((style & MB_DEFMASK) >> 8);
    box.defaultIndex = defaultIndex < static_cast<int>(box.buttons.size()) ? defaultIndex : 0;
    box.icon = IconFor(style);
    box.text = Text(text);
    box.caption = Text(caption);
    box.textFont = MakeFont(-13, FW_BOLD);
    box.captionFont = MakeFont(-15, FW_BOLD);
    box.buttonFont = MakeFont(-12, FW_BOLD);
    box.bodyBrush = CreateSolidBrush(kBodyGrey);

    TemplateWriter writer;
    const WORD itemCount = static_cast<WORD>(box.buttons.size() + 1 + (box.icon ? 1 : 0));
    writer.DWord(WS_POPUP | WS_BORDER | DS_MODALFRAME | DS_SETFONT);
    writer.DWord(WS_EX_DLGMODALFRAME | ((style & MB_TOPMOST) ? WS_EX_TOPMOST : 0));
    writer.Word(itemCount);
    for (int i = 0; i < 4; ++i)
        writer.Word(0); // placed when initialised
    writer.Word(0);     // no menu
    writer.Word(0);     // standard class
    writer.Text(L"");   // title set when initialised
    writer.Word(8);
    writer.Text(L"MS Shell Dlg");
    writer.Item(SS_LEFT | SS_NOPREFIX, kTextId, kStaticAtom);
    if (box.icon)
        writer.Item(SS_ICON, kIconId, kStaticAtom);
    for (std::size_t i = 0; i < box.buttons.size(); ++i)
        writer.Item(BS_OWNERDRAW | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), box.buttons[i].id, kButtonAtom);

    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), writer.Get(), owner, BoxProc,
                                                   reinterpret_cast<LPARAM>(&box));
    DeleteObject(box.textFont);
    DeleteObject(box.captionFont);
    DeleteObject(box.buttonFont);
    DeleteObject(box.bodyBrush);
    return result > 0 ? static_cast<int>(result) : 0;
}
