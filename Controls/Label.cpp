// The text label.
#include "Controls/Label.h"

#include <cstring>
#include <vector>

#include "Controls/FontSize.h"
#include "Controls/GdiPlus.h"
#include "Controls/GradientBands.h"
#include "Controls/MemDC.h"
#include "Controls/RedrawWithParent.h"
#include "framework/Dc.h"
#include "framework/Module.h"
#include "framework/Selection.h"

namespace {

constexpr UINT kFlashTimer = 1;
constexpr int kMaxGradientBands = 100;

} // namespace

CLabel::CLabel() : m_crText(GetSysColor(COLOR_WINDOWTEXT)) {}

CLabel::~CLabel() = default;

void CLabel::Repaint() {
    RedrawWithParent(m_hWnd);
}

void CLabel::PreSubclassWindow() {
    CStatic::PreSubclassWindow();
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT));
    if (font == nullptr)
        font = GetStockObject(SYSTEM_FONT);
    GetObjectA(font, sizeof m_lf, &m_lf);
    FontChanged();
}

CLabel& CLabel::SetBackgroundColor(COLORREF colour, COLORREF endColour, bool gradient) {
    m_crBackground = colour;
    m_crGradientEnd = endColour;
    m_bGradient = gradient;
    m_hBackBrush.DeleteObject();
    if (!gradient)
        m_hBackBrush.CreateSolidBrush(colour);
    Repaint();
    return *this;
}

CLabel& CLabel::SetTextColor(COLORREF colour, BYTE alpha) {
    m_crText = colour;
    m_nTextAlpha = alpha;
    Repaint();
    return *this;
}

CLabel& CLabel::SetText(const std::string& text) {
    m_strText = text;
    if (m_hWnd == nullptr)
        return *this;
    if (IsWindowVisible()) {
        ShowWindow(SW_HIDE);
        SetWindowText(text);
        ShowWindow(SW_SHOW);
    } else {
        SetWindowText(text);
    }
    Repaint();
    return *this;
}

CLabel& CLabel::SetDisplayText(const std::string& text) {
    m_strText = text;
    if (text == m_strDisplayText || m_hWnd == nullptr)
        return *this;
    m_strDisplayText = text;
    // The parent's pixels under the label first, then the label over them.
    CRect rect = GetWindowRect();
    HWND parent = GetParent();
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return *this;
}

CLabel& CLabel::SetFontBold(bool bold) {
    m_lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFontUnderline(BYTE underline) {
    m_lf.lfUnderline = underline;
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFontItalic(BYTE italic) {
    m_lf.lfItalic = italic;
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFontSize(int points) {
    const int height = points * -96 / 72;
    TakeFontSize(m_lf, height, static_cast<BYTE>(m_bSmooth ? ANTIALIASED_QUALITY : DEFAULT_QUALITY));
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetSunkenEdge(bool sunken) {
    if (m_hWnd != nullptr)
        ModifyStyleEx(sunken ? 0 : WS_EX_STATICEDGE, sunken ? WS_EX_STATICEDGE : 0, SWP_FRAMECHANGED);
    return *this;
}

CLabel& CLabel::SetBorder(bool border) {
    if (m_hWnd != nullptr)
        ModifyStyle(border ? 0 : WS_BORDER, border ? WS_BORDER : 0, SWP_FRAMECHANGED);
    return *this;
}

CLabel& CLabel::SetTransparent(bool transparent) {
    m_bTransparent = transparent;
    if (m_hWnd != nullptr)
        ModifyStyleEx(0, WS_EX_TRANSPARENT);
    Repaint();
    return *this;
}

CLabel& CLabel::FlashText(bool on, UINT interval, int count) {
    if (m_bTimer && m_hWnd != nullptr)
        KillTimer(kFlashTimer);
    SetText(m_strText);
    if (on) {
        m_bState = true;
        m_bTimer = true;
        if (m_hWnd != nullptr)
            SetTimer(kFlashTimer, interval);
        m_nFlashMode = FlashTextMode;
        m_nFlashCount = count > 0 ? 2 * count + 1 : -1;
    } else {
        m_nFlashMode = FlashNone;
    }
    return *this;
}

CLabel& CLabel::FlashBackground(bool on) {
    if (m_bTimer && m_hWnd != nullptr)
        KillTimer(kFlashTimer);
    if (on) {
        m_bState = false;
        m_bTimer = true;
        if (m_hWnd != nullptr)
            SetTimer(kFlashTimer, 500);
        m_nFlashMode = FlashBackgroundMode;
    }
    return *this;
}

CLabel& CLabel::SetLink(bool on, bool notifyParent) {
    m_nLinkMode = on ? HyperLink : LinkNone;
    m_bNotifyParent = notifyParent;
    if (m_hWnd != nullptr)
        ModifyStyle(on ? 0 : SS_NOTIFY, on ? SS_NOTIFY : 0);
    return *this;
}

CLabel& CLabel::SetLabelCursor(HCURSOR cursor) {
    m_hCursor = cursor;
    return *this;
}

CLabel& CLabel::SetEmboss(bool on, bool raised) {
    m_bEmboss = on;
    m_bEmbossRaised = raised;
    Repaint();
    return *this;
}

CLabel& CLabel::SetRotation(int degrees, bool on) {
    m_lf.lfEscapement = m_lf.lfOrientation = degrees * 10;
    m_bRotation = on;
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetEmbossColor(COLORREF colour) {
    m_crEmboss = colour;
    Repaint();
    return *this;
}

CLabel& CLabel::SetLogFont(LOGFONTA font) {
    m_lf = font;
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetMailLink(bool on, bool notifyParent) {
    m_nLinkMode = on ? MailLink : LinkNone;
    m_bNotifyParent = notifyParent;
    if (m_hWnd != nullptr)
        ModifyStyle(on ? 0 : SS_NOTIFY, on ? SS_NOTIFY : 0);
    return *this;
}

CLabel& CLabel::SetLinkTarget(const std::string& target) {
    m_strLinkTarget = target;
    return *this;
}

CLabel& CLabel::SetFontName(const char* face, BYTE charset) {
    m_lf.lfCharSet = charset;
    // At most 31 characters: the field ends with its terminator, whatever the face's length.
    std::strncpy(m_lf.lfFaceName, face ? face : "", LF_FACESIZE - 1);
    m_lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    FontChanged();
    Repaint();
    return *this;
}

CLabel& CLabel::SetFontFace(const char* face, bool smooth, bool glow) {
    m_bSmooth = smooth;
    m_bGlow = glow;
    return SetFontName(face, DEFAULT_CHARSET);
}

void CLabel::ShellOpen(const char* verb, const std::string& file) {
    // The shell is loaded from the system folder only when a link is followed: it is large, and
    // no label of the program is a link. It stays loaded while the label lives, since what
    // ShellExecuteA starts may go on inside it after the call has returned.
    if (!m_shell) {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || !m_shell.Load(std::wstring(system) + L"\\shell32.dll", 0))
            return;
    }
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    if (const auto execute = m_shell.Proc<ShellExecuteFn>("ShellExecuteA"))
        execute(nullptr, verb, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CLabel::OnTimer(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    m_bState = !m_bState;
    if (m_nFlashMode == FlashTextMode) {
        if (m_nFlashCount > 0 && --m_nFlashCount == 0)
            FlashText(false, 500, -1);
        if (m_nFlashMode == FlashTextMode) {
            if (m_bState)
                SetText(m_strText);
            else
                SetWindowText("");
        }
    }
    Repaint();
    return Default(message, wParam, lParam);
}

LRESULT CLabel::OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (m_bNotifyParent) {
        NMHDR notify{m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd)), LABEL_NOTIFY_CLICK};
        ::SendMessageA(GetParent(), WM_NOTIFY, notify.idFrom, reinterpret_cast<LPARAM>(&notify));
    } else {
        const std::string text = GetWindowText();
        if (m_nLinkMode == HyperLink)
            ShellOpen("open", m_strLinkTarget.empty() ? text : m_strLinkTarget);
        else if (m_nLinkMode == MailLink)
            ShellOpen(nullptr, "mailto:" + text);
    }
    return Default(message, wParam, lParam);
}

LRESULT CLabel::OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (m_hCursor != nullptr) {
        ::SetCursor(m_hCursor);
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

LRESULT CLabel::OnSysColorChange(UINT, WPARAM, LPARAM, bool&) {
    m_hwndBrush.DeleteObject(); // made again in the new colour when next painted
    Repaint();
    return 0;
}

LRESULT CLabel::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    m_font.DeleteObject();
    m_hwndBrush.DeleteObject();
    m_hBackBrush.DeleteObject();
    return Default(message, wParam, lParam);
}

UINT CLabel::FormatFlags(const std::string& text) const {
    const DWORD style = GetStyle();
    UINT flags;
    switch (style & 0x1F) {
    case SS_CENTER:
        flags = DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        flags = DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        flags = 0;
        break;
    default:
        flags = DT_WORDBREAK;
        break;
    }
    if (text.find('\t') != std::string::npos)
        flags |= DT_EXPANDTABS;
    if (style & SS_CENTERIMAGE) {
        flags = DT_CENTER;
        if (text.find("\r\n") == std::string::npos)
            flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    }
    return flags;
}

LRESULT CLabel::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    if (m_bSmooth)
        PaintSmooth();
    else
        PaintPlain();
    return 0;
}

void CLabel::PaintPlain() {
    CPaintDC paint(m_hWnd);
    CRect rect = GetClientRect();
    std::string text = GetWindowText();
    if (!m_strDisplayText.empty())
        text = m_strDisplayText;

    // An opaque label is drawn off-screen and copied in one block; a transparent one straight on
    // the window, over what the parent painted.
    CMemDC dc(paint, &rect, m_bTransparent ? CMemDC::Direct : CMemDC::Offscreen);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF oldColour = dc.SetTextColor(m_crText);
    CSelectObject font(dc, m_font.Realize(m_lf));

    if (!m_bTransparent) {
        if (m_bGradient) {
            CSelectObject pen(dc, GetStockObject(NULL_PEN));
            for (const GradientBand& band : GradientBandsFor(rect.left, rect.right, m_crBackground,
                                                             m_crGradientEnd, kMaxGradientBands)) {
                CBrush brush;
                brush.CreateSolidBrush(RGB(band.red, band.green, band.blue));
                CSelectObject selected(dc, brush);
                Rectangle(dc, band.left, rect.top, band.right + 1, rect.bottom);
            }
        } else {
            if (!m_hBackBrush && !m_hwndBrush)
                m_hwndBrush.CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
            FillRect(dc, &rect,
                     m_hBackBrush ? static_cast<HBRUSH>(m_hBackBrush) : static_cast<HBRUSH>(m_hwndBrush));
        }
    }
    if (!m_bState && m_nFlashMode == FlashTextMode) {
        LOGBRUSH brush{BS_SOLID, 0, 0};
        if (m_hBackBrush)
            GetObjectA(m_hBackBrush.GetSafeHandle(), sizeof brush, &brush);
        dc.SetTextColor(brush.lbColor);
    }

    const UINT flags = FormatFlags(text);
    if (m_bRotation) {
        const UINT oldAlign = SetTextAlign(dc, TA_BASELINE);
        POINT origin;
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, rect.Width() / 2, rect.Height() / 2, nullptr);
        TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        SetTextAlign(dc, oldAlign);
    } else {
        dc.DrawText(text, rect, flags);
        if (m_bEmboss) {
            dc.SetTextColor(m_crEmboss);
            const int offset = m_bEmbossRaised ? 1 : -1;
            rect.OffsetRect(offset, offset);
            dc.DrawText(text, rect, flags);
        }
    }
    dc.SetBkMode(oldMode);
    dc.SetTextColor(oldColour);
}

void CLabel::PaintSmooth() {
    const CGdiPlus& api = CGdiPlus::Api();
    CPaintDC paint(m_hWnd);
    CGdiPlusGraphics graphics(paint);
    api.GdipSetInterpolationMode(graphics.Get(), gdip::InterpolationModeHighQualityBicubic);
    api.GdipSetTextRenderingHint(graphics.Get(), gdip::TextRenderingHintAntiAlias);
    const CRect window = GetWindowRect();
    const int width = window.Width();
    const int height = window.Height();

    const std::string text = GetWindowText();
    std::vector<wchar_t> wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(text.size()));

    CGdiPlusFont font;
    api.GdipCreateFontFromLogfontA(paint, &m_lf, font.Out());
    CGdiPlusStringFormat format;
    api.GdipCreateStringFormat(0, LANG_NEUTRAL, format.Out());
    api.GdipSetStringFormatAlign(format.Get(), (GetStyle() & 0x1F) == SS_CENTER ? gdip::StringAlignmentCenter
                                                                                : gdip::StringAlignmentNear);
    const gdip::RectF layout{0, 0, static_cast<gdip::REAL>(width), static_cast<gdip::REAL>(height)};

    if (m_bGlow && width / 4 > 0 && height / 4 > 0) {
        CGdiPlusBitmapObject glow;
        api.GdipCreateBitmapFromScan0(width / 4, height / 4, 0, gdip::PixelFormat32bppARGB, nullptr,
                                      glow.Out());
        {
            // The text drawn small, which the larger drawing below blurs into a glow.
            CGdiPlusGraphicsObject small;
            api.GdipGetImageGraphicsContext(reinterpret_cast<gdip::GpImage*>(glow.Get()), small.Out());
            api.GdipSetPageScale(small.Get(), 1.0f);
            api.GdipSetPageUnit(small.Get(), gdip::UnitPixel);
            api.GdipSetSmoothingMode(small.Get(), gdip::SmoothingModeHighQuality);
            api.GdipSetInterpolationMode(small.Get(), gdip::InterpolationModeHighQualityBilinear);
            api.GdipSetTextRenderingHint(small.Get(), gdip::TextRenderingHintAntiAliasGridFit);
            api.GdipSetCompositingQuality(small.Get(), gdip::CompositingQualityHighQuality);
            CGdiPlusMatrix matrix;
            api.GdipCreateMatrix2(0.27f, 0, 0, 0.27f, 0, 0, matrix.Out());
            api.GdipSetWorldTransform(small.Get(), matrix.Get());
            CGdiPlusSolidFill white;
            api.GdipCreateSolidFill(0xC8FFFFFF, white.Out());
            api.GdipDrawString(small.Get(), wide.data(), length, font.Get(), &layout, format.Get(),
                               reinterpret_cast<gdip::GpBrush*>(white.Get()));
        }
        api.GdipDrawImageRectRect(graphics.Get(), reinterpret_cast<gdip::GpImage*>(glow.Get()), 0, 0,
                                  static_cast<gdip::REAL>(width), static_cast<gdip::REAL>(height), 0, 0,
                                  width * 0.25f, height * 0.25f, gdip::UnitPixel, nullptr, nullptr, nullptr);
    }

    CGdiPlusSolidFill brush;
    const gdip::ARGB colour = (static_cast<gdip::ARGB>(m_nTextAlpha) << 24) | (GetRValue(m_crText) << 16) |
                              (GetGValue(m_crText) << 8) | GetBValue(m_crText);
    api.GdipCreateSolidFill(colour, brush.Out());
    api.GdipDrawString(graphics.Get(), wide.data(), length, font.Get(), &layout, format.Get(),
                       reinterpret_cast<gdip::GpBrush*>(brush.Get()));
}
