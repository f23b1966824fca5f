// Owners of GDI objects: each deletes its object when it goes, unless it was detached.
#pragma once

#include <windows.h>

#include <utility>

class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(HGDIOBJ object) : m_hObject(object) {}
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    explicit operator bool() const { return m_hObject != nullptr; }

    void Attach(HGDIOBJ object) {
        DeleteObject();
        m_hObject = object;
    }
    HGDIOBJ Detach() { return std::exchange(m_hObject, nullptr); }
    bool DeleteObject() {
        if (m_hObject == nullptr)
            return false;
        return ::DeleteObject(Detach()) != FALSE;
    }

protected:
    HGDIOBJ m_hObject = nullptr;
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    bool CreateFontIndirect(const LOGFONTA& font) {
        Attach(::CreateFontIndirectA(&font));
        return m_hObject != nullptr;
    }
    // The font held, made from `font` first when none is: a control that drops its font on every
    // change of its LOGFONT makes one font for a run of changes, when it next draws.
    HFONT Realize(const LOGFONTA& font) {
        if (m_hObject == nullptr)
            CreateFontIndirect(font);
        return *this;
    }
    bool GetLogFont(LOGFONTA& font) const {
        return m_hObject != nullptr && ::GetObjectA(m_hObject, sizeof font, &font) == sizeof font;
    }
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    bool CreateCompatibleBitmap(HDC dc, int width, int height) {
        Attach(::CreateCompatibleBitmap(dc, width, height));
        return m_hObject != nullptr;
    }
    bool LoadBitmap(HINSTANCE module, UINT id) {
        Attach(::LoadBitmapA(module, MAKEINTRESOURCEA(id)));
        return m_hObject != nullptr;
    }
    bool GetBitmap(BITMAP& bitmap) const {
        return m_hObject != nullptr && ::GetObjectA(m_hObject, sizeof bitmap, &bitmap) == sizeof bitmap;
    }
};

class CBrush : public CGdiObject {
public:
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    bool CreateSolidBrush(COLORREF colour) {
        Attach(::CreateSolidBrush(colour));
        return m_hObject != nullptr;
    }
};

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    bool CreateRectRgn(int left, int top, int right, int bottom) {
        Attach(::CreateRectRgn(left, top, right, bottom));
        return m_hObject != nullptr;
    }
    int CombineRgn(HRGN a, HRGN b, int mode) { return ::CombineRgn(*this, a, b, mode); }
};
