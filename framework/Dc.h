// Device contexts. Whether a wrapper owns its DC is in its type: CDC (CDCT<true>) owns a DC it
// created and deletes it; CDCHandle (CDCT<false>) only borrows one and never deletes it. CPaintDC
// ends the painting, CClientDC and CWindowDC release the window's DC; they borrow the DC they are
// given for that time. Drawing code takes a CDCHandle, which any of them converts to.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>
#include <utility>

#include "framework/Selection.h"
#include "framework/Types.h"
#include "framework/UniqueHandle.h"

// Holds a DC that someone else frees; copies share it.
class CBorrowedDc {
public:
    CBorrowedDc() = default;
    explicit CBorrowedDc(HDC dc) : m_hDC(dc) {}

    HDC Get() const { return m_hDC; }
    void Reset(HDC dc = nullptr) { m_hDC = dc; }
    HDC Detach() { return std::exchange(m_hDC, nullptr); }

private:
    HDC m_hDC = nullptr;
};

template <bool Owned> class CDCT {
public:
    CDCT() = default;
    // Wraps `dc`: an owned wrapper deletes it when it goes.
    explicit CDCT(HDC dc) : m_dc(dc) {}
    // A borrowed view of another wrapper's DC.
    template <bool OtherOwned, bool Borrowed = !Owned, typename = std::enable_if_t<Borrowed>>
    CDCT(const CDCT<OtherOwned>& other) : m_dc(other.GetSafeHdc()) {}

    HDC GetSafeHdc() const { return m_dc.Get(); }
    operator HDC() const { return m_dc.Get(); }

    bool CreateCompatibleDC(HDC dc) {
        Attach(::CreateCompatibleDC(dc));
        return GetSafeHdc() != nullptr;
    }
    // Takes `dc`; an owned wrapper deletes the DC it held.
    void Attach(HDC dc) { m_dc.Reset(dc); }
    HDC Detach() { return m_dc.Detach(); }

    bool BitBlt(int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
        return ::BitBlt(GetSafeHdc(), x, y, width, height, source, sx, sy, rop) != FALSE;
    }
    bool StretchBlt(int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                    DWORD rop) {
        return ::StretchBlt(GetSafeHdc(), x, y, width, height, source, sx, sy, sw, sh, rop) != FALSE;
    }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(GetSafeHdc(), colour); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(GetSafeHdc(), colour); }
    int SetBkMode(int mode) { return ::SetBkMode(GetSafeHdc(), mode); }
    int DrawText(const std::string& text, RECT& rect, UINT format) {
        return ::DrawTextA(GetSafeHdc(), text.c_str(), static_cast<int>(text.size()), &rect, format);
    }
    CSize GetTextExtent(const char* text, int count) const {
        SIZE size{0, 0};
        ::GetTextExtentPoint32A(GetSafeHdc(), text, count, &size);
        return size;
    }
    void FillSolidRect(const RECT& rect, COLORREF colour) {
        ::SetBkColor(GetSafeHdc(), colour);
        ::ExtTextOutA(GetSafeHdc(), 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(GetSafeHdc(), index); }

private:
    // An owned DC is move-only through its holder; a borrowed one copies freely.
    std::conditional_t<Owned, CUniqueHandle<NullHandleTraits<HDC, ::DeleteDC>>, CBorrowedDc> m_dc;
};

using CDC = CDCT<true>;
using CDCHandle = CDCT<false>;

// A memory DC compatible with another, holding a given bitmap for its life: a source to copy the
// bitmap from. The bitmap is selected back out before the DC is deleted (members go before the
// base), so whoever owns it may delete it afterwards.
class CBitmapDC : public CDC {
public:
    CBitmapDC(HDC compatible, HBITMAP bitmap) {
        CreateCompatibleDC(compatible);
        m_selection.Select(*this, bitmap);
    }

private:
    CSelectObject m_selection;
};

class CPaintDC : public CDCHandle {
public:
    explicit CPaintDC(HWND window) : m_hWnd(window) { Attach(::BeginPaint(window, &m_ps)); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    const PAINTSTRUCT& PaintStruct() const { return m_ps; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
};

class CClientDC : public CDCHandle {
public:
    explicit CClientDC(HWND window) : CDCHandle(::GetDC(window)), m_hWnd(window) {}
    ~CClientDC() { ::ReleaseDC(m_hWnd, GetSafeHdc()); }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

private:
    HWND m_hWnd;
};

class CWindowDC : public CDCHandle {
public:
    explicit CWindowDC(HWND window) : CDCHandle(::GetWindowDC(window)), m_hWnd(window) {}
    ~CWindowDC() { ::ReleaseDC(m_hWnd, GetSafeHdc()); }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

private:
    HWND m_hWnd;
};
