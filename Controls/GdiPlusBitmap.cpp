// Decoding PNG resources through GDI+, and the opaque region of an image.
#include "Controls/GdiPlusBitmap.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "Controls/OpaqueRegion.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"

namespace {

struct StreamTraits {
    using Type = IStream*;
    static IStream* Invalid() { return nullptr; }
    static void Close(IStream* stream) { stream->Release(); }
};

// Releases a COM stream when it goes.
using StreamOwner = CUniqueHandle<StreamTraits>;

// A copy of `source` in memory of its own, so that it no longer needs the stream it came from.
gdip::GpStatus CopyPixels(gdip::GpBitmap* source, gdip::GpBitmap*& copy) {
    const CGdiPlus& api = CGdiPlus::Api();
    UINT width = 0, height = 0;
    gdip::GpStatus status = api.GdipGetImageWidth(reinterpret_cast<gdip::GpImage*>(source), &width);
    if (status == gdip::Ok)
        status = api.GdipGetImageHeight(reinterpret_cast<gdip::GpImage*>(source), &height);
    if (status != gdip::Ok)
        return status;
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        return gdip::GenericError;
    const gdip::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};

    // The source's pixels are read straight into the copy's own.
    CGdiPlusBitmapObject made;
    status = api.GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0,
                                           gdip::PixelFormat32bppARGB, nullptr, made.Out());
    if (status != gdip::Ok)
        return status;
    gdip::BitmapData target{};
    status = api.GdipBitmapLockBits(made.Get(), &all, gdip::ImageLockModeWrite, gdip::PixelFormat32bppARGB,
                                    &target);
    if (status != gdip::Ok)
        return status;
    gdip::BitmapData data{width, height, target.Stride, gdip::PixelFormat32bppARGB, target.Scan0, 0};
    status = api.GdipBitmapLockBits(source, &all, gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                                    gdip::PixelFormat32bppARGB, &data);
    if (status == gdip::Ok)
        api.GdipBitmapUnlockBits(source, &data);
    const gdip::GpStatus written = api.GdipBitmapUnlockBits(made.Get(), &target);
    if (status == gdip::Ok)
        status = written;
    if (status == gdip::Ok)
        copy = made.Detach();
    return status;
}

} // namespace

GlobalBuffer::GlobalBuffer(SIZE_T size) : m_memory(GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (!m_memory)
        throw COutOfMemoryException(
            ".\\Controls\\GdiPlusBitmap[GlobalBuffer::GlobalBuffer]: Cannot allocate memory");
}

void CGdiPlusBitmap::ReleaseImage() {
    m_bitmap.Reset();
}

UINT CGdiPlusBitmap::GetImageWidth() {
    UINT width = 0;
    if (!m_bitmap || Record(CGdiPlus::Api().GdipGetImageWidth(
                         reinterpret_cast<gdip::GpImage*>(m_bitmap.Get()), &width)) != gdip::Ok)
        return 0;
    return width;
}

UINT CGdiPlusBitmap::GetImageHeight() {
    UINT height = 0;
    if (!m_bitmap || Record(CGdiPlus::Api().GdipGetImageHeight(
                         reinterpret_cast<gdip::GpImage*>(m_bitmap.Get()), &height)) != gdip::Ok)
        return 0;
    return height;
}

HRGN CGdiPlusBitmap::CreateOpaqueRegion() {
    const UINT width = GetImageWidth();
    const UINT height = GetImageHeight();
    // All pixels in one read; when it fails, every pixel counts as opaque.
    std::vector<gdip::ARGB> pixels(static_cast<std::size_t>(width) * height);
    gdip::BitmapData data{width,         height, static_cast<INT>(width * 4), gdip::PixelFormat32bppARGB,
                          pixels.data(), 0};
    const gdip::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const CGdiPlus& api = CGdiPlus::Api();
    const bool read =
        m_bitmap && Record(api.GdipBitmapLockBits(m_bitmap.Get(), &all,
                                                  gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                                                  gdip::PixelFormat32bppARGB, &data)) == gdip::Ok;
    if (read)
        api.GdipBitmapUnlockBits(m_bitmap.Get(), &data);
    return OpaqueRegion(width, height, [&](std::uint32_t x, std::uint32_t y, std::uint32_t& argb) {
        argb = pixels[static_cast<std::size_t>(y) * width + x];
        return read;
    });
}

HBITMAP CGdiPlusBitmap::CreatePremultipliedDib() {
    const UINT width = GetImageWidth();
    const UINT height = GetImageHeight();
    if (width == 0 || height == 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down, the rows in GDI+'s order
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmap dib;
    dib.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || bits == nullptr)
        return nullptr;
    gdip::BitmapData data{width, height, static_cast<INT>(width * 4), gdip::PixelFormat32bppPARGB, bits, 0};
    const gdip::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const CGdiPlus& api = CGdiPlus::Api();
    if (Record(api.GdipBitmapLockBits(m_bitmap.Get(), &all,
                                      gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                                      gdip::PixelFormat32bppPARGB, &data)) != gdip::Ok)
        return nullptr;
    api.GdipBitmapUnlockBits(m_bitmap.Get(), &data);
    return static_cast<HBITMAP>(dib.Detach());
}

bool CPNGResource::LoadFromResource(WORD id) {
    ReleaseImage();
    const LPCSTR name = MAKEINTRESOURCEA(id);
    HINSTANCE module = AfxFindResourceHandle(name, "PNG");
    HRSRC resource = FindResourceA(module, name, "PNG");
    if (resource == nullptr)
        return false;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return false;

    GlobalBuffer buffer(size); // may throw COutOfMemoryException
    void* block = GlobalLock(buffer.Handle());
    if (block == nullptr)
        return false;
    std::memcpy(block, bytes, size);
    GlobalUnlock(buffer.Handle());

    StreamOwner stream;
    if (FAILED(CreateStreamOnHGlobal(buffer.Handle(), FALSE, stream.Out())))
        return false;
    const CGdiPlus& api = CGdiPlus::Api();
    CGdiPlusBitmapObject decoded;
    gdip::GpStatus status = api.GdipCreateBitmapFromStream(stream.Get(), decoded.Out());
    if (status == gdip::Ok && decoded.Get() != nullptr) {
        // The buffer goes when this function returns: keep pixels that do not depend on it.
        status = CopyPixels(decoded.Get(), *m_bitmap.Out());
    }
    if (status != gdip::Ok || !m_bitmap) {
        ReleaseImage();
        Record(status != gdip::Ok ? status : gdip::GenericError);
        return false;
    }
    return true;
}

std::shared_ptr<CPNGResource> SharedPngResource(WORD id) {
    static std::mutex lock;
    static std::map<std::pair<HINSTANCE, WORD>, std::weak_ptr<CPNGResource>> decoded;
    const std::pair<HINSTANCE, WORD> key(AfxFindResourceHandle(MAKEINTRESOURCEA(id), "PNG"), id);
    const std::lock_guard<std::mutex> held(lock);
    std::weak_ptr<CPNGResource>& entry = decoded[key];
    std::shared_ptr<CPNGResource> image = entry.lock();
    if (image == nullptr) {
        image = std::make_shared<CPNGResource>();
        image->LoadFromResource(id);
        entry = image;
    }
    return image;
}
