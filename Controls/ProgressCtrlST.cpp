// The bitmap progress bar.
#include "Controls/ProgressCtrlST.h"

#include <cstdlib>

#include "Controls/MemDC.h"
#include "Controls/ProgressGeometry.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "framework/WinApp.h"

namespace {

bool BitmapSize(HBITMAP bitmap, int& width, int& height) {
    BITMAP info{};
    if (GetObjectA(bitmap, sizeof info, &info) != sizeof info)
        return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

HBITMAP LoadBitmapResource(int id) {
    const LPCSTR name = MAKEINTRESOURCEA(id & 0xFFFF);
    HINSTANCE module = AfxFindResourceHandle(name, RT_BITMAP);
    return static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

} // namespace

int CProgressCtrlST::SetBitmaps(HBITMAP fill, HBITMAP background, bool repaint) {
    // What the bar held goes when this returns, except a bitmap that is handed in again.
    CBitmap oldFill, oldBackground;
    oldFill.Attach(m_fill.Detach());
    oldBackground.Attach(m_background.Detach());
    for (CBitmap* old : {&oldFill, &oldBackground}) {
        if (*old == fill || *old == background)
            old->Detach();
    }
    m_fill.Attach(fill);
    m_bBackgroundIsFill = background != nullptr && background == fill;
    m_background.Attach(m_bBackgroundIsFill ? nullptr : background);
    m_nFillWidth = m_nFillHeight = 0;

    int width = 0, height = 0, unusedWidth = 0, unusedHeight = 0;
    if ((fill != nullptr && !BitmapSize(fill, width, height)) ||
        (background != nullptr && !BitmapSize(background, unusedWidth, unusedHeight))) {
        m_fill.DeleteObject();
        m_background.DeleteObject();
        m_bBackgroundIsFill = false;
        return 1;
    }
    m_nFillWidth = width;
    m_nFillHeight = height;
    if (repaint && m_hWnd != nullptr)
        Invalidate(true);
    return 0;
}

int CProgressCtrlST::SetBitmapResources(int fillId, int backgroundId, bool repaint) {
    HBITMAP fill = LoadBitmapResource(fillId);
    HBITMAP background = backgroundId == -1 ? nullptr : LoadBitmapResource(backgroundId);
    return SetBitmaps(fill, background, repaint);
}

LRESULT CProgressCtrlST::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
    m_nRange = lower == upper ? 1 : std::abs(upper - lower);
    return SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

LRESULT CProgressCtrlST::SetStep(int step) {
    m_nStep = step;
    return SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step));
}

LRESULT CProgressCtrlST::SetPos(int position) {
    if (position < m_nLower)
        position = m_nLower;
    if (position > m_nUpper)
        position = m_nUpper;
    m_nPos = position;
    return SendMessage(PBM_SETPOS, static_cast<WPARAM>(position));
}

LRESULT CProgressCtrlST::OnEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (Background() != nullptr)
        return TRUE;
    return Default(message, wParam, lParam);
}

LRESULT CProgressCtrlST::OnPaint(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (!m_fill)
        return Default(message, wParam, lParam);

    CPaintDC paint(m_hWnd);
    const CRect client = GetClientRect();
    const bool vertical = (GetStyle() & PBS_VERTICAL) != 0;

    CBitmapDC source(paint, m_fill);
    CMemDC tiles(paint, client.Width(), client.Height());

    const int percent = ProgressPercent(m_nPos, m_nLower, m_nRange);
    CRect filled = client;
    if (vertical) {
        filled.top = client.bottom - ProgressFill(client.Height(), percent);
        if (filled.top < client.top)
            filled.top = client.top + 1;
    } else {
        filled.right = client.left + ProgressFill(client.Width(), percent);
        if (filled.right > client.right)
            filled.right = client.right - 1;
    }

    if (m_nFillWidth > 0 && m_nFillHeight > 0) {
        const int columns = filled.Width() / m_nFillWidth + (filled.Width() % m_nFillWidth ? 1 : 0);
        const int rows = filled.Height() / m_nFillHeight + (filled.Height() % m_nFillHeight ? 1 : 0);
        const int sourceY = vertical ? m_nFillHeight - filled.Height() : 0;
        for (int i = 0; i < columns; ++i) {
            for (int j = 0; j < rows; ++j)
                tiles.BitBlt(i * m_nFillWidth, j * m_nFillHeight, m_nFillWidth, m_nFillHeight, source, 0,
                             sourceY, SRCCOPY);
        }
    }

    CBitmapDC background(paint, Background());
    if (filled.IsRectEmpty()) {
        paint.BitBlt(0, 0, client.Width(), client.Height(), background, 0, 0, SRCCOPY);
    } else {
        CMemDC compose(paint, client.Width(), client.Height());
        compose.BitBlt(0, 0, client.Width(), client.Height(), background, 0, 0, SRCCOPY);
        compose.BitBlt(filled.left, filled.top, filled.Width(), filled.Height(), tiles, 0, 0, SRCCOPY);
        paint.BitBlt(client.left, client.top, client.Width(), client.Height(), compose, 0, 0, SRCCOPY);
    }
    OnDrawOverlay(paint, percent, client, filled, vertical);
    return 0;
}
