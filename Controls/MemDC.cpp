// Off-screen surface.
#include "Controls/MemDC.h"

CMemDC::CMemDC(CDC* target, const RECT* rect) : m_pTarget(target), m_bOffscreen(!target->IsPrinting()) {
    if (rect != nullptr)
        m_rect = *rect;
    else
        ::GetClipBox(target->GetSafeHdc(), &m_rect);
    if (m_bOffscreen) {
        CreateCompatibleDC(target->GetSafeHdc());
        m_bitmap.CreateCompatibleBitmap(target->GetSafeHdc(), m_rect.Width(), m_rect.Height());
        m_pOldBitmap = SelectObject(m_bitmap.GetSafeHandle());
        ::SetWindowOrgEx(m_hDC, m_rect.left, m_rect.top, nullptr);
    } else {
        m_hDC = target->GetSafeHdc();
        m_hAttribDC = target->GetAttributeHdc();
        m_bPrinting = target->IsPrinting();
    }
}

CMemDC::~CMemDC() {
    if (m_bOffscreen) {
        m_pTarget->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left,
                          m_rect.top, SRCCOPY);
        if (m_pOldBitmap != nullptr)
            SelectObject(m_pOldBitmap);
    } else {
        m_hDC = nullptr; // the target's contexts stay the target's
        m_hAttribDC = nullptr;
    }
    m_bitmap.DeleteObject();
    // The base deletes the memory context it still holds.
}
