// Skin artwork from "PNG" resources: a holder of one decoded image, its size, and the region of
// its fully opaque pixels.
#pragma once

#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "Controls/GdiPlus.h"
#include "framework/UniqueHandle.h"

// Raised when the memory block for decoding an image cannot be allocated.
class COutOfMemoryException : public std::bad_alloc {
public:
    explicit COutOfMemoryException(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// One movable global memory block, freed when the owner goes.
class GlobalBuffer {
public:
    // Allocates `size` bytes; throws COutOfMemoryException when it cannot.
    explicit GlobalBuffer(SIZE_T size);

    HGLOBAL Handle() const { return m_memory.Get(); }

private:
    CUniqueHandle<NullHandleTraits<HGLOBAL, ::GlobalFree>> m_memory;
};

class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap() = default;
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    void ReleaseImage();
    bool HasImage() const { return static_cast<bool>(m_bitmap); }
    // The image's size; 0 when there is none or the query fails.
    UINT GetImageWidth();
    UINT GetImageHeight();
    // A new region of the image's fully opaque pixels (alpha 255); the caller owns it.
    HRGN CreateOpaqueRegion();
    // A new top-down 32-bit DIB section of the image with premultiplied alpha, as layered windows
    // take it; null when there is no image or it cannot be read. The caller owns it.
    HBITMAP CreatePremultipliedDib();
    // The held image, for drawing; it stays the holder's.
    gdip::GpBitmap* GetImage() const { return m_bitmap.Get(); }
    // The status of the last failed operation on the image; reading it resets it to Ok.
    gdip::GpStatus GetLastStatus() {
        const gdip::GpStatus status = m_lastStatus;
        m_lastStatus = gdip::Ok;
        return status;
    }

protected:
    gdip::GpStatus Record(gdip::GpStatus status) {
        if (status != gdip::Ok)
            m_lastStatus = status;
        return status;
    }

    CGdiPlusBitmapObject m_bitmap;
    gdip::GpStatus m_lastStatus = gdip::Ok;
};

class CPNGResource : public CGdiPlusBitmap {
public:
    // Decodes the "PNG" resource `id` into the holder, replacing what it held, also on failure.
    // True when an image is held afterwards.
    bool LoadFromResource(WORD id);
};

// The "PNG" resource `id` decoded once for all who show it: while any holder of the returned image
// lives, asking again for the same resource of the same module gives the same image. The image
// goes with its last holder. A resource that cannot be decoded gives an empty holder.
std::shared_ptr<CPNGResource> SharedPngResource(WORD id);
