// CTransparentDialogBase: a dialog shaped and painted by a PNG skin with alpha. The dialog window
// is cut to the skin's opaque pixels and hosts the controls; a click-through layered window of
// class "TranFakeWnd" behind it shows the whole skin blended with what lies below, and follows
// the dialog wherever it goes.
#pragma once

#include "Controls/DialogFontAdjuster.h"
#include "Controls/GdiPlusBitmap.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Types.h"
#include "framework/WindowHandle.h"

constexpr UINT WM_DLGBASE_ENABLE = 0xBFEF;
constexpr UINT WM_DLGBASE_NOOP = 0xBFF0;

class CTransparentDialogBase : public CDialog {
public:
    // `pngId` 0 means no skin. The layer window is made here, before the dialog exists.
    CTransparentDialogBase(WORD pngId, UINT templateId, HWND parent, bool movable);
    ~CTransparentDialogBase() override;

    INT_PTR DoModal() override;
    bool Create(UINT templateId, HWND parent) override;
    bool DestroyWindow() override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    // Composes the skin into the layer window with per-pixel alpha.
    virtual void UpdateLayeredImage();
    // One drag step: moves the dialog and the layer window so the pointer is at the anchor again.
    virtual void DragMoveTo(const CPoint& point);

    HWND LayerWindow() const { return m_layer; }
    const CDialogFontAdjuster& FontAdjuster() const { return m_fontAdjuster; }

    BEGIN_MSG_MAP(CTransparentDialogBase)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
    MESSAGE_HANDLER(WM_MOVE, OnMove)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_CLOSE, OnDefault)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnDefault)
    MESSAGE_HANDLER(WM_DLGBASE_NOOP, OnNoop)
    MESSAGE_HANDLER(WM_DLGBASE_ENABLE, OnNestedEnable)
    MESSAGE_HANDLER(WM_DISPLAYCHANGE, OnDisplayChange)
    MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
    CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()

protected:
    // Ends the modal run with `result`, for answers other than OK and Cancel.
    void EndModalWith(int result);

private:
    static HWND CreateLayerWindow(HWND parent, HWND dialog);
    void DestroyLayerWindow();
    // Moves the layer window to the dialog's window rectangle (display and work-area changes).
    void AlignLayerToWindowRect();

    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnShowWindow(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&) { return 0; }
    LRESULT OnDefault(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        return Default(message, wParam, lParam);
    }
    LRESULT OnNoop(UINT, WPARAM, LPARAM, bool&) { return 0; }
    LRESULT OnNestedEnable(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDisplayChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSettingChange(UINT, WPARAM, LPARAM, bool&);

    CDialogFontAdjuster m_fontAdjuster;
    int m_nEnableCount = 0;
    bool m_bMovable;
    BOOL m_bModalRunning = FALSE;
    CPNGResource m_png;
    UINT m_nImageWidth = 0;
    UINT m_nImageHeight = 0;
    CWindowHandle m_layer;
    BOOL m_bDragging = FALSE;
    CPoint m_ptDragAnchor;
    CRect m_rcDragWindow;
    UINT m_nTemplateId;
    // The skin with premultiplied alpha: what the layer window shows, and the dialog's background
    // where its region lets it through (the opaque pixels, which premultiplying leaves as they are).
    CBitmap m_skinBitmap;
};
