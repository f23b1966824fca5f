// Device contexts: CDC owns a memory DC it created and deletes it; CPaintDC ends the painting;
// CClientDC and CWindowDC release the window's DC.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "framework/Types.h"

class CDC {
public:
    CDC() = default;
    virtual ~CDC() {
        if (m_hDC != nullptr)
            ::DeleteDC(Detach());
    }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    HDC GetAttributeHdc() const { return m_hAttribDC; }
    operator HDC() const { return m_hDC; }
    bool IsPrinting() const { return m_bPrinting; }
    void SetPrinting(bool printing) { m_bPrinting = printing; }

    bool CreateCompatibleDC(HDC dc) {
        Attach(::CreateCompatibleDC(dc));
        return m_hDC != nullptr;
    }
    void Attach(HDC dc) {
        if (m_hDC != nullptr)
            ::DeleteDC(m_hDC);
        m_hDC = dc;
        m_hAttribDC = dc;
    }
    HDC Detach() {
        m_hAttribDC = nullptr;
        return std::exchange(m_hDC, nullptr);
    }

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    bool BitBlt(int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, source, sx, sy, rop) != FALSE;
    }
    bool StretchBlt(int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                    DWORD rop) {
        return ::StretchBlt(m_hDC, x, y, width, height, source, sx, sy, sw, sh, rop) != FALSE;
    }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int DrawText(const std::string& text, RECT& rect, UINT format) {
        return ::DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), &rect, format);
    }
    CSize GetTextExtent(const char* text, int count) const {
        SIZE size{0, 0};
        ::GetTextExtentPoint32A(m_hAttribDC, text, count, &size);
        return size;
    }
    void FillSolidRect(const RECT& rect, COLORREF colour) {
        ::SetBkColor(m_hDC, colour);
        ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

protected:
    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    bool m_bPrinting = false;
};

// A DC that is borrowed, not owned: it is left as it is when the wrapper goes.
class CDCHandle : public CDC {
public:
    explicit CDCHandle(HDC dc) { m_hDC = m_hAttribDC = dc; }
    ~CDCHandle() override { Detach(); }
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND window) : m_hWnd(window) { CDC::Attach(::BeginPaint(window, &m_ps)); }
    ~CPaintDC() override {
        Detach();
        ::EndPaint(m_hWnd, &m_ps);
    }
    const PAINTSTRUCT& PaintStruct() const { return m_ps; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
};

class CClientDC : public CDC {
public:
    explicit CClientDC(HWND window) : m_hWnd(window) { CDC::Attach(::GetDC(window)); }
    ~CClientDC() override { ::ReleaseDC(m_hWnd, Detach()); }

private:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(HWND window) : m_hWnd(window) { CDC::Attach(::GetWindowDC(window)); }
    ~CWindowDC() override { ::ReleaseDC(m_hWnd, Detach()); }

private:
    HWND m_hWnd;
};
