// CProgressCtrlST: a progress bar drawn from a fill bitmap over a background bitmap. Range, step
// and position are kept here and forwarded to the standard control underneath, which paints
// when there is no fill bitmap.
#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "framework/Types.h"

class CProgressCtrlST : public CProgressCtrl {
public:
    CProgressCtrlST() = default;

    // Takes ownership of both bitmaps (either may be null, and both may be the same bitmap). 0 on
    // success; 1 when a bitmap's size cannot be read, and then the bar holds no bitmaps.
    int SetBitmaps(HBITMAP fill, HBITMAP background, bool repaint);
    // Loads both from bitmap resources; a background id of -1 means none.
    int SetBitmapResources(int fillId, int backgroundId, bool repaint);
    LRESULT SetRange(int lower, int upper);
    LRESULT SetStep(int step);
    LRESULT SetPos(int position);

    // Drawn over the bar at the end of every bitmap paint; nothing here.
    virtual void OnDrawOverlay(HDC, int /*percent*/, const CRect& /*client*/, const CRect& /*filled*/,
                               bool /*vertical*/) {}

    BEGIN_MSG_MAP(CProgressCtrlST)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_NCPAINT, OnNcPaint)
    CHAIN_MSG_MAP(CProgressCtrl)
    END_MSG_MAP()

private:
    HBITMAP Background() const { return m_bBackgroundIsFill ? m_fill : m_background; }
    LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nRange = 100;
    int m_nStep = 10;
    int m_nPos = 0;
    CBitmap m_fill;
    CBitmap m_background; // empty when the fill serves as background too
    bool m_bBackgroundIsFill = false;
    int m_nFillWidth = 0;
    int m_nFillHeight = 0;
};
