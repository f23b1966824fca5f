// Owners of GDI objects: each deletes its object when it goes, unless it was detached.
#pragma once

#include <windows.h>

#include "framework/UniqueHandle.h"

template <typename T> using GdiObjectTraits = NullHandleTraits<T, ::DeleteObject>;

// The operations every GDI object owner has, over the typed handle `T` (HFONT, HBITMAP, ...).
template <typename T> class CGdiObjectT : public CUniqueHandle<GdiObjectTraits<T>> {
public:
    using CUniqueHandle<GdiObjectTraits<T>>::CUniqueHandle;
    using CUniqueHandle<GdiObjectTraits<T>>::Get;

    T GetSafeHandle() const { return Get(); }
    operator T() const { return Get(); }
    // Deletes the object held; false when there was none or it could not be deleted.
    bool DeleteObject() {
        T object = this->Detach();
        return object != nullptr && ::DeleteObject(object) != FALSE;
    }
};

class CFont : public CGdiObjectT<HFONT> {
public:
    bool CreateFontIndirect(const LOGFONTA& font) {
        Attach(::CreateFontIndirectA(&font));
        return Get() != nullptr;
    }
    // The font held, made from `font` first when none is: a control that drops its font on every
    // change of its LOGFONT makes one font for a run of changes, when it next draws.
    HFONT Realize(const LOGFONTA& font) {
        if (Get() == nullptr)
            CreateFontIndirect(font);
        return Get();
    }
    bool GetLogFont(LOGFONTA& font) const {
        return Get() != nullptr && ::GetObjectA(Get(), sizeof font, &font) == sizeof font;
    }
};

class CBitmap : public CGdiObjectT<HBITMAP> {
public:
    bool CreateCompatibleBitmap(HDC dc, int width, int height) {
        Attach(::CreateCompatibleBitmap(dc, width, height));
        return Get() != nullptr;
    }
    bool LoadBitmap(HINSTANCE module, UINT id) {
        Attach(::LoadBitmapA(module, MAKEINTRESOURCEA(id)));
        return Get() != nullptr;
    }
    bool GetBitmap(BITMAP& bitmap) const {
        return Get() != nullptr && ::GetObjectA(Get(), sizeof bitmap, &bitmap) == sizeof bitmap;
    }
};

class CBrush : public CGdiObjectT<HBRUSH> {
public:
    bool CreateSolidBrush(COLORREF colour) {
        Attach(::CreateSolidBrush(colour));
        return Get() != nullptr;
    }
};

class CRgn : public CGdiObjectT<HRGN> {
public:
    bool CreateRectRgn(int left, int top, int right, int bottom) {
        Attach(::CreateRectRgn(left, top, right, bottom));
        return Get() != nullptr;
    }
    int CombineRgn(HRGN a, HRGN b, int mode) { return ::CombineRgn(Get(), a, b, mode); }
};
