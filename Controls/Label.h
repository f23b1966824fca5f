// CLabel: a static text for skinned dialogs. It draws its text over whatever the parent shows
// (transparent), or over a solid or gradient background, in a font described piece by piece;
// it can emboss, blink, rotate, act as a link, and draw anti-aliased text with a glow.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "framework/Module.h"

constexpr UINT LABEL_NOTIFY_CLICK = 0x8200;

class CLabel : public CStatic {
public:
    enum LinkMode { LinkNone = 0, HyperLink = 1, MailLink = 2 };
    enum FlashMode { FlashNone = 0, FlashTextMode = 1, FlashBackgroundMode = 2 };

    CLabel();
    ~CLabel() override;

    virtual CLabel& SetBackgroundColor(COLORREF colour, COLORREF endColour = 0, bool gradient = false);
    virtual CLabel& SetTextColor(COLORREF colour, BYTE alpha = 255);
    virtual CLabel& SetText(const std::string& text);
    virtual CLabel& SetDisplayText(const std::string& text);
    virtual CLabel& SetFontBold(bool bold);
    virtual CLabel& SetFontUnderline(BYTE underline);
    virtual CLabel& SetFontItalic(BYTE italic);
    virtual CLabel& SetFontSize(int points);
    virtual CLabel& SetSunkenEdge(bool sunken);
    virtual CLabel& SetBorder(bool border);
    virtual CLabel& SetTransparent(bool transparent);
    virtual CLabel& FlashText(bool on, UINT interval, int count);
    virtual CLabel& FlashBackground(bool on);
    virtual CLabel& SetLink(bool on, bool notifyParent);
    virtual CLabel& SetLabelCursor(HCURSOR cursor);
    virtual CLabel& SetEmboss(bool on, bool raised);
    virtual CLabel& SetRotation(int degrees, bool on);
    virtual CLabel& SetEmbossColor(COLORREF colour);
    virtual CLabel& SetLogFont(LOGFONTA font);
    virtual CLabel& SetMailLink(bool on, bool notifyParent);
    virtual CLabel& SetLinkTarget(const std::string& target);
    virtual CLabel& SetFontName(const char* face, BYTE charset);
    CLabel& SetFontFace(const char* face, bool smooth, bool glow);

    const LOGFONTA& GetLogFont() const { return m_lf; }
    const std::string& GetStoredText() const { return m_strText; }
    int GetFlashMode() const { return m_nFlashMode; }

    void PreSubclassWindow() override;

    BEGIN_MSG_MAP(CLabel)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSysColorChange)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    CHAIN_MSG_MAP(CStatic)
    END_MSG_MAP()

protected:
    // Opens a link: ShellExecuteA with no window, `verb` (null: the default) and `file`.
    virtual void ShellOpen(const char* verb, const std::string& file);

private:
    // The font is made from m_lf when it is next drawn with (CFont::Realize).
    void FontChanged() { m_font.DeleteObject(); }
    void Repaint();
    void PaintPlain();
    void PaintSmooth();
    UINT FormatFlags(const std::string& text) const;

    LRESULT OnTimer(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSysColorChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, bool&) { return TRUE; }
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);

    COLORREF m_crText;
    BYTE m_nTextAlpha = 255;
    COLORREF m_crEmboss = RGB(255, 255, 255);
    CBrush m_hwndBrush; // the dialog face behind an opaque label, made when first painted
    CBrush m_hBackBrush;
    LOGFONTA m_lf{};
    CFont m_font;
    bool m_bState = false;
    bool m_bTimer = false;
    int m_nLinkMode = LinkNone;
    bool m_bTransparent = false;
    bool m_bGlow = false;
    bool m_bSmooth = false;
    bool m_bEmboss = false;
    bool m_bNotifyParent = false;
    bool m_bRotation = false;
    int m_nFlashMode = FlashNone;
    HCURSOR m_hCursor = nullptr;
    bool m_bEmbossRaised = false;
    bool m_bGradient = false;
    COLORREF m_crGradientEnd = 0;
    COLORREF m_crBackground = 0;
    std::string m_strLinkTarget;
    int m_nFlashCount = -1;
    std::string m_strText;
    std::string m_strDisplayText;
    CModule m_shell; // loaded when the first link is followed
};
