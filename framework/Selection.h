// CSelectObject: selects a GDI object into a DC for a scope and selects back the object it
// replaced when it goes, whichever way the scope is left. For pens, brushes, fonts and bitmaps;
// a region selected into a DC is copied, not replaced, and needs no guard.
#pragma once

#include <windows.h>

class CSelectObject {
public:
    // Nothing selected yet: Select does it later.
    CSelectObject() = default;
    CSelectObject(HDC dc, HGDIOBJ object) { Select(dc, object); }
    ~CSelectObject() { Restore(); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

    // Selects `object` into `dc`, after putting back what an earlier selection replaced.
    void Select(HDC dc, HGDIOBJ object) {
        Restore();
        m_old = ::SelectObject(dc, object);
        m_dc = m_old != nullptr ? dc : nullptr;
    }
    // Selects back the replaced object now (the guard is then empty); for a DC that must give up
    // the object before the scope ends.
    void Restore() {
        if (m_dc != nullptr)
            ::SelectObject(m_dc, m_old);
        m_dc = nullptr;
        m_old = nullptr;
    }
    // The object that the selection replaced; null when nothing is selected.
    HGDIOBJ Replaced() const { return m_old; }

private:
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};
