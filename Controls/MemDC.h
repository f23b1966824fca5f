// CMemDC: an off-screen surface that stands in for a target DC during one paint and copies its
// rectangle onto the target in one block when it goes.
#pragma once

#include "framework/Dc.h"
#include "framework/Gdi.h"

class CMemDC : public CDC {
public:
    // Over `rect` of the target, or its clip box when none is given.
    explicit CMemDC(CDC* target, const RECT* rect = nullptr);
    ~CMemDC() override;

private:
    CBitmap m_bitmap;
    HGDIOBJ m_pOldBitmap = nullptr;
    CDC* m_pTarget;
    CRect m_rect;
    bool m_bOffscreen;
};
