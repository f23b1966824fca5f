// Off-screen surface.
#include "Controls/MemDC.h"

CMemDC::CMemDC(CDCHandle target, const RECT* rect, Mode mode) {
    if (rect != nullptr)
        m_rect = *rect;
    else
        ::GetClipBox(target, &m_rect);
    if (mode == Direct) {
        Attach(target);
        return;
    }
    m_target = target;
    Create(target, m_rect.Width(), m_rect.Height());
    ::SetWindowOrgEx(m_memory, m_rect.left, m_rect.top, nullptr);
}

CMemDC::CMemDC(HDC compatible, int width, int height) : m_rect(0, 0, width, height) {
    Create(compatible, width, height);
}

void CMemDC::Create(HDC compatible, int width, int height) {
    m_memory.CreateCompatibleDC(compatible);
    m_bitmap.CreateCompatibleBitmap(compatible, width, height);
    m_selection.Select(m_memory, m_bitmap);
    Attach(m_memory);
}

CMemDC::~CMemDC() {
    if (m_target)
        m_target.BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_memory, m_rect.left,
                        m_rect.top, SRCCOPY);
}
