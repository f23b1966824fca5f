// CGdipButton: a push button (or check box, or radio button) drawn from PNG faces laid over the
// pixels of the skinned parent behind it, with the caption on top. Each face is composed once
// into an off-screen surface; a paint copies the current one.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Controls/GdiPlusBitmap.h"
#include "Controls/MemDC.h"
#include "framework/Controls.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"

constexpr UINT WM_GDIPBUTTON_UNCHECK = 0x0500;
constexpr UINT WM_GDIPBUTTON_RECAPTURE = 0x8CCB;

class CGdipButton : public CButton {
public:
    enum Kind { PushButton = 0, CheckBox = 2, RadioButton = 4 };

    CGdipButton();
    ~CGdipButton() override;

    void LoadImages(UINT normal, UINT hover, UINT pressed, UINT disabled, UINT pressedHover);
    void SetTextColors(COLORREF normal, COLORREF disabled);
    void SetHoverTextColor(COLORREF colour) { m_crHoverText = colour; }
    void SetPressedTextColor(COLORREF colour) { m_crPressedText = colour; }
    void SetFontName(const char* face, BYTE charset);
    void SetFontSize(int tenthsOfPoint);
    void SetFontBold(int bold);
    void EnableImageRebuild() { m_bRebuildOnRecapture = true; }
    void SetPushed(bool pushed) { SendMessage(BM_SETSTATE, pushed); }

    int GetKind() const { return m_nKind; }
    const LOGFONTA& GetLogFont() const { return m_lf; }

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* message) override;
    void DrawItem(LPDRAWITEMSTRUCT item) override;

    BEGIN_MSG_MAP(CGdipButton)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
    REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
    MESSAGE_HANDLER(OCM_CTLCOLORBTN, OnCtlColor)
    MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
    MESSAGE_HANDLER(WM_GDIPBUTTON_UNCHECK, OnUncheck)
    MESSAGE_HANDLER(BM_SETCHECK, OnSetCheck)
    MESSAGE_HANDLER(BM_GETCHECK, OnGetCheck)
    MESSAGE_HANDLER(WM_GDIPBUTTON_RECAPTURE, OnRecapture)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    CHAIN_MSG_MAP(CButton)
    END_MSG_MAP()

private:
    // The background or one face: a surface of the control's client size, made when needed.
    class CSurface {
    public:
        bool IsEmpty() const { return Dc() == nullptr; }
        HDC Dc() const { return m_surface ? m_surface->GetSafeHdc() : nullptr; }
        void Create(HDC compatible, int width, int height) {
            Release();
            m_surface.emplace(compatible, width, height);
        }
        void Release() { m_surface.reset(); }

    private:
        std::optional<CMemDC> m_surface;
    };

    enum Face { Normal, Hover, Pressed, PressedHover, Disabled, FaceCount };

    // The font is made from m_lf when it is next drawn with (CFont::Realize).
    void FontChanged() { m_font.DeleteObject(); }
    void BuildStateImages(HDC requestDc);
    void DrawButtonText(HDC dc, COLORREF colour);
    void ReleaseStateSurfaces();
    bool HasCapture() const { return GetCapture() == m_hWnd; }
    bool PointerOverMe() const;

    LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, bool&) { return TRUE; }
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnClicked(WORD, WORD, HWND, bool&);
    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnUncheck(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCheck(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetCheck(UINT, WPARAM, LPARAM, bool&) { return m_bChecked ? BST_CHECKED : BST_UNCHECKED; }
    LRESULT OnRecapture(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);

    bool m_bBuilt = false;
    COLORREF m_crText;
    COLORREF m_crHoverText;
    COLORREF m_crDisabledText = 0;
    COLORREF m_crPressedText;
    UINT m_nTextFormat = DT_CENTER;
    bool m_bMouseDown = false;
    bool m_bChecked = false;
    bool m_bHovering = false;
    int m_nKind = PushButton;
    CFont m_font;
    LOGFONTA m_lf{};
    std::shared_ptr<CPNGResource> m_images[FaceCount]; // shared with other buttons of the same faces
    CSurface m_background;
    CSurface m_faces[FaceCount];
    CSurface* m_pCurrent = nullptr;
    bool m_bRebuildOnRecapture = false;
};
