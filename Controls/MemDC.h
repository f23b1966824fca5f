// CMemDC: an off-screen surface, a memory DC with a compatible bitmap of its own selected into it.
// Over a target DC it stands in for the target during one paint and copies its rectangle onto the
// target in one block when it goes; made from a size alone it is a surface that is kept, and
// copied from by whoever holds it.
#pragma once

#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "framework/Types.h"

class CMemDC : public CDCHandle {
public:
    enum Mode { Offscreen, Direct };

    // Over `rect` of the target, or its clip box when none is given, drawn in the target's
    // coordinates. Direct draws straight on the target instead, and copies nothing.
    explicit CMemDC(CDCHandle target, const RECT* rect = nullptr, Mode mode = Offscreen);
    // A surface of `width` by `height` compatible with `compatible`, drawn from (0, 0); it has no
    // target and copies nothing when it goes.
    CMemDC(HDC compatible, int width, int height);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

private:
    void Create(HDC compatible, int width, int height);

    // The members go in reverse order: the bitmap is selected out, deleted, then the memory DC.
    CDC m_memory;
    CBitmap m_bitmap;
    CSelectObject m_selection;
    CDCHandle m_target; // null when there is nothing to copy onto
    CRect m_rect;
};
