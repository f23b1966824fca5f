// The image button.
#include "Controls/GdipButton.h"

#include <cstring>
#include <vector>

#include "Controls/ButtonTextLayout.h"
#include "Controls/FontSize.h"
#include "Controls/MemDC.h"
#include "Controls/RedrawWithParent.h"
#include "framework/Selection.h"

namespace {

constexpr int kFlushSync = 1;

} // namespace

CGdipButton::CGdipButton()
    : m_crText(GetSysColor(COLOR_BTNTEXT)), m_crHoverText(m_crText), m_crPressedText(m_crText) {
    // Arial at 8.5 points.
    m_lf.lfHeight = -MulDiv(85, CClientDC(nullptr).GetDeviceCaps(LOGPIXELSY), 720);
    m_lf.lfWeight = FW_NORMAL;
    m_lf.lfCharSet = DEFAULT_CHARSET;
    m_lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    m_lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    m_lf.lfQuality = DEFAULT_QUALITY;
    m_lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::strcpy(m_lf.lfFaceName, "Arial");
}

CGdipButton::~CGdipButton() {
    m_pCurrent = nullptr;
}

void CGdipButton::LoadImages(UINT normal, UINT hover, UINT pressed, UINT disabled, UINT pressedHover) {
    const struct {
        Face face;
        UINT id;
    } loads[] = {{Normal, normal},
                 {Hover, hover},
                 {Pressed, pressed},
                 {PressedHover, pressedHover},
                 {Disabled, disabled}};
    for (const auto& load : loads) {
        if (load.id == 0)
            continue;
        m_images[load.face] = SharedPngResource(static_cast<WORD>(load.id));
    }
}

void CGdipButton::SetTextColors(COLORREF normal, COLORREF disabled) {
    if (m_crText == m_crHoverText)
        m_crPressedText = normal;
    m_crDisabledText = disabled;
    m_crText = normal;
}

void CGdipButton::SetFontName(const char* face, BYTE charset) {
    if (face == nullptr || std::strncmp(face, "Arial", 6) == 0)
        return; // the button's face is Arial already
    m_lf.lfCharSet = charset;
    std::strncpy(m_lf.lfFaceName, face, LF_FACESIZE - 1);
    m_lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    FontChanged();
    RedrawWithParent(m_hWnd);
}

void CGdipButton::SetFontSize(int tenthsOfPoint) {
    const int points = tenthsOfPoint / 10;
    const int height = -static_cast<int>(points * 96 / 72.0 + 0.5);
    TakeFontSize(m_lf, height, static_cast<BYTE>(DEFAULT_QUALITY));
    FontChanged();
    RedrawWithParent(m_hWnd);
}

void CGdipButton::SetFontBold(int bold) {
    m_lf.lfWeight = (bold & 0xFF) ? FW_BOLD : FW_NORMAL;
    FontChanged();
    RedrawWithParent(m_hWnd);
}

void CGdipButton::PreSubclassWindow() {
    const DWORD style = GetStyle();
    if ((style & 3) == 3)
        m_nKind = CheckBox;
    else if ((style & 9) == 9)
        m_nKind = RadioButton;
    else
        m_nKind = PushButton;
    // BS_LEFT and BS_RIGHT alone place the caption at that side; both (BS_CENTER) or neither centre it.
    const UINT side = style & BS_CENTER;
    m_nTextFormat = side == BS_LEFT ? DT_LEFT : side == BS_RIGHT ? DT_RIGHT : DT_CENTER;
    CButton::PreSubclassWindow();
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | BS_OWNERDRAW));
}

BOOL CGdipButton::PreTranslateMessage(MSG* message) {
    // A double click acts as a second press.
    if (message->hwnd == m_hWnd && message->message == WM_LBUTTONDBLCLK)
        message->message = WM_LBUTTONDOWN;
    return CButton::PreTranslateMessage(message);
}

bool CGdipButton::PointerOverMe() const {
    POINT point;
    return GetCursorPos(&point) && WindowFromPoint(point) == m_hWnd;
}

void CGdipButton::DrawButtonText(HDC dc, COLORREF colour) {
    const std::string text = GetWindowText();
    if (text.empty())
        return;
    CDCHandle target(dc);
    const COLORREF oldColour = target.SetTextColor(colour);
    CSelectObject font(target, m_font.Realize(m_lf));
    const int oldMode = target.SetBkMode(TRANSPARENT);
    CRect rect = GetClientRect();
    if (text.find('\n') == std::string::npos) {
        target.DrawText(text, rect, m_nTextFormat | DT_VCENTER | DT_SINGLELINE);
    } else {
        std::vector<int> widths;
        int lineHeight = 0;
        std::string rest = text;
        for (std::size_t feed = rest.find('\n'); feed != std::string::npos; feed = rest.find('\n')) {
            const CSize extent = target.GetTextExtent(rest.c_str(), static_cast<int>(feed));
            widths.push_back(extent.cx);
            lineHeight = extent.cy;
            rest.erase(0, feed + 1);
        }
        rect.top =
            CentredTextTop(rect.top, rect.Height(), EstimateLineCount(widths, rect.Width()), lineHeight);
        target.DrawText(text, rect, m_nTextFormat | DT_WORDBREAK);
    }
    target.SetBkMode(oldMode);
    target.SetTextColor(oldColour);
}

void CGdipButton::BuildStateImages(HDC requestDc) {
    if (m_bBuilt)
        return;
    const CRect client = GetClientRect();
    const int width = client.Width();
    const int height = client.Height();
    CMemDC frame(CDCHandle(requestDc), &client);
    CGdiPlusGraphics graphics(frame);
    const CGdiPlus& api = CGdiPlus::Api();

    if (m_background.IsEmpty()) {
        CClientDC parent(GetParent());
        CRect rect = GetWindowRect();
        MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rect), 2);
        m_background.Create(parent, width, height);
        ::BitBlt(m_background.Dc(), 0, 0, width, height, parent, rect.left, rect.top, SRCCOPY);
    }

    // Background and image on the frame; the caller adds the caption and copies the frame.
    auto drawFace = [&](Face face) {
        frame.BitBlt(0, 0, width, height, m_background.Dc(), 0, 0, SRCCOPY);
        api.GdipDrawImageI(graphics.Get(), reinterpret_cast<gdip::GpImage*>(m_images[face]->GetImage()), 0,
                           0);
        api.GdipFlush(graphics.Get(), kFlushSync);
    };
    auto keepFrame = [&](Face face) {
        m_faces[face].Create(frame, width, height);
        ::BitBlt(m_faces[face].Dc(), 0, 0, width, height, frame, 0, 0, SRCCOPY);
    };
    auto needs = [&](Face face) { return m_faces[face].IsEmpty() && m_images[face] != nullptr; };

    if (needs(Normal)) {
        drawFace(Normal);
        keepFrame(Normal);
        DrawButtonText(m_faces[Normal].Dc(), m_crText);
    }
    const struct {
        Face face;
        COLORREF colour;
    } captioned[] = {{Hover, m_crHoverText}, {Disabled, m_crDisabledText}, {Pressed, m_crPressedText}};
    for (const auto& c : captioned) {
        if (!needs(c.face))
            continue;
        drawFace(c.face);
        DrawButtonText(frame, c.colour);
        keepFrame(c.face);
        if (c.face == Pressed && needs(PressedHover)) {
            drawFace(PressedHover);
            keepFrame(PressedHover);
        }
    }
    if (m_pCurrent == nullptr)
        m_pCurrent = &m_faces[Normal];
    m_bBuilt = true;
}

void CGdipButton::DrawItem(LPDRAWITEMSTRUCT item) {
    POINT point;
    if (m_bMouseDown && HasCapture() && GetCursorPos(&point)) {
        const bool over = WindowFromPoint(point) == m_hWnd;
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (over && !pushed) {
            SendMessage(BM_SETSTATE, TRUE);
            return;
        }
        if (!over && pushed) {
            SendMessage(BM_SETSTATE, FALSE);
            return;
        }
    }
    if (item->itemState & ODS_DISABLED)
        m_pCurrent = &m_faces[Disabled];
    else if ((item->itemState & ODS_SELECTED) || m_bChecked) {
        // Under the pointer the pressed-hover face, where there is one; else the pressed face.
        if (m_bHovering && !m_faces[PressedHover].IsEmpty())
            m_pCurrent = &m_faces[PressedHover];
        else if (!m_faces[Pressed].IsEmpty())
            m_pCurrent = &m_faces[Pressed];
    } else {
        m_pCurrent = &m_faces[m_bHovering ? Hover : Normal];
    }
    if (m_pCurrent != nullptr && !m_pCurrent->IsEmpty()) {
        const CRect client = GetClientRect();
        ::BitBlt(item->hDC, 0, 0, client.Width(), client.Height(), m_pCurrent->Dc(), 0, 0, SRCCOPY);
    }
}

LRESULT CGdipButton::OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (m_bHovering) {
        TRACKMOUSEEVENT track{sizeof track, TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&track))
            m_bHovering = false;
    }
    const LRESULT result = Default(message, wParam, lParam);
    m_bMouseDown = true;
    return result;
}

LRESULT CGdipButton::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (m_nKind != PushButton && m_bMouseDown && PointerOverMe())
        SendMessage(BM_SETCHECK, m_nKind == CheckBox ? !m_bChecked : TRUE);
    m_bMouseDown = false;
    return Default(message, wParam, lParam);
}

LRESULT CGdipButton::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (HasCapture()) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(m_hWnd, &point);
        const bool inside = WindowFromPoint(point) == m_hWnd;
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (inside != pushed) {
            SendMessage(BM_SETSTATE, inside);
            Invalidate(true);
        }
    } else if (!m_bHovering) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        if (TrackMouseEvent(&track)) {
            m_bHovering = true;
            Invalidate(true);
        }
    }
    return Default(message, wParam, lParam);
}

LRESULT CGdipButton::OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (HasCapture())
        ReleaseCapture();
    return Default(message, wParam, lParam);
}

LRESULT CGdipButton::OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (wParam == VK_SPACE) {
        if (m_nKind == CheckBox)
            SendMessage(BM_SETCHECK, !m_bChecked);
        else if (m_nKind == RadioButton)
            SendMessage(BM_SETCHECK, TRUE);
    }
    return Default(message, wParam, lParam);
}

LRESULT CGdipButton::OnClicked(WORD, WORD, HWND, bool& handled) {
    if (HasCapture())
        ReleaseCapture();
    m_bMouseDown = false;
    Invalidate(true);
    ::UpdateWindow(GetParent());
    handled = false; // the parent runs its command too
    return 0;
}

LRESULT CGdipButton::OnCtlColor(UINT, WPARAM wParam, LPARAM, bool& handled) {
    BuildStateImages(reinterpret_cast<HDC>(wParam));
    handled = false; // no brush: the parent's answer stands
    return 0;
}

LRESULT CGdipButton::OnMouseLeave(UINT, WPARAM, LPARAM, bool&) {
    m_bHovering = false;
    Invalidate(true);
    return 0;
}

LRESULT CGdipButton::OnUncheck(UINT, WPARAM, LPARAM, bool&) {
    if (m_bChecked) {
        m_bChecked = false;
        Invalidate(true);
    }
    return 0;
}

LRESULT CGdipButton::OnSetCheck(UINT, WPARAM wParam, LPARAM, bool&) {
    m_bChecked = wParam != 0 && m_nKind != PushButton;
    if (m_nKind == RadioButton && m_bChecked) {
        HWND parent = GetParent();
        HWND other = GetNextDlgGroupItem(parent, m_hWnd, FALSE);
        // The group is a ring; the bound guards against one that never comes back.
        for (int i = 0; other != nullptr && other != m_hWnd && i < 1024; ++i) {
            ::SendMessageA(other, WM_GDIPBUTTON_UNCHECK, 0, 0);
            other = GetNextDlgGroupItem(parent, other, FALSE);
        }
    }
    Invalidate(true);
    return 0;
}

LRESULT CGdipButton::OnRecapture(UINT, WPARAM wParam, LPARAM, bool&) {
    HDC surface = reinterpret_cast<HDC>(wParam);
    m_background.Release();
    const CRect client = GetClientRect();
    CRect rect = GetWindowRect();
    MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rect), 2);
    m_background.Create(surface, client.Width(), client.Height());
    ::BitBlt(m_background.Dc(), 0, 0, client.Width(), client.Height(), surface, rect.left, rect.top, SRCCOPY);
    if (m_bRebuildOnRecapture) {
        m_bBuilt = false;
        ReleaseStateSurfaces();
    }
    return 0;
}

void CGdipButton::ReleaseStateSurfaces() {
    for (CSurface& face : m_faces)
        face.Release();
}

LRESULT CGdipButton::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const LRESULT result = Default(message, wParam, lParam);
    m_bHovering = false;
    for (auto& image : m_images)
        image.reset();
    return result;
}
