// The GDI+ flat interface, loaded by full path from the system folder (never from beside the
// program). A function that could not be bound answers with a failure status.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "framework/UniqueHandle.h"

namespace gdip {

using GpStatus = int;
constexpr GpStatus Ok = 0;
constexpr GpStatus GenericError = 1;
constexpr GpStatus OutOfMemory = 3;
constexpr GpStatus GdiplusNotInitialized = 18;

using ARGB = DWORD;
using REAL = float;
using PixelFormat = INT;
constexpr PixelFormat PixelFormat32bppARGB = 0x26200A;
constexpr PixelFormat PixelFormat32bppPARGB = 0xE200B;
constexpr UINT ImageLockModeRead = 1;
constexpr UINT ImageLockModeWrite = 2;
constexpr UINT ImageLockModeUserInputBuf = 4;
constexpr int UnitPixel = 2;
constexpr int SmoothingModeNone = 3;

struct GpImage;
struct GpBitmap;
struct GpGraphics;
struct GpFont;
struct GpStringFormat;
struct GpMatrix;
struct GpBrush;
struct GpSolidFill;
struct GpImageAttributes;

struct RectF {
    REAL X, Y, Width, Height;
};

constexpr int InterpolationModeHighQualityBilinear = 6;
constexpr int InterpolationModeHighQualityBicubic = 7;
constexpr int TextRenderingHintAntiAliasGridFit = 3;
constexpr int TextRenderingHintAntiAlias = 4;
constexpr int SmoothingModeHighQuality = 2;
constexpr int CompositingQualityHighQuality = 2;
constexpr int StringAlignmentNear = 0;
constexpr int StringAlignmentCenter = 1;

struct GpRect {
    INT X, Y, Width, Height;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    PixelFormat Format;
    void* Scan0;
    UINT_PTR Reserved;
};

struct StartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

} // namespace gdip

// GDI+ for the life of the object: started when it is made, shut down when it goes. Each module
// that draws keeps one while it does; images decoded under it must go first. Starts nest, so a
// library's session inside the program's costs nothing.
class CGdiPlusSession {
public:
    CGdiPlusSession();
    ~CGdiPlusSession();
    CGdiPlusSession(const CGdiPlusSession&) = delete;
    CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;

    bool Started() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

class CGdiPlus {
public:
    // The process's one table, bound on first use.
    static const CGdiPlus& Api();

    bool IsLoaded() const { return m_loaded; }

    gdip::GpStatus(WINAPI* GdiplusStartup)(ULONG_PTR*, const gdip::StartupInput*, void*);
    void(WINAPI* GdiplusShutdown)(ULONG_PTR);
    gdip::GpStatus(WINAPI* GdipCreateBitmapFromStream)(IStream*, gdip::GpBitmap**);
    gdip::GpStatus(WINAPI* GdipCreateBitmapFromScan0)(INT, INT, INT, gdip::PixelFormat, BYTE*,
                                                      gdip::GpBitmap**);
    gdip::GpStatus(WINAPI* GdipDisposeImage)(gdip::GpImage*);
    gdip::GpStatus(WINAPI* GdipGetImageWidth)(gdip::GpImage*, UINT*);
    gdip::GpStatus(WINAPI* GdipGetImageHeight)(gdip::GpImage*, UINT*);
    gdip::GpStatus(WINAPI* GdipBitmapGetPixel)(gdip::GpBitmap*, INT, INT, gdip::ARGB*);
    gdip::GpStatus(WINAPI* GdipBitmapLockBits)(gdip::GpBitmap*, const gdip::GpRect*, UINT, gdip::PixelFormat,
                                               gdip::BitmapData*);
    gdip::GpStatus(WINAPI* GdipBitmapUnlockBits)(gdip::GpBitmap*, gdip::BitmapData*);
    gdip::GpStatus(WINAPI* GdipCreateHBITMAPFromBitmap)(gdip::GpBitmap*, HBITMAP*, gdip::ARGB);
    gdip::GpStatus(WINAPI* GdipCreateBitmapFromHBITMAP)(HBITMAP, HPALETTE, gdip::GpBitmap**);
    gdip::GpStatus(WINAPI* GdipSaveImageToFile)(gdip::GpImage*, const WCHAR*, const CLSID*, const void*);
    gdip::GpStatus(WINAPI* GdipCreateFromHDC)(HDC, gdip::GpGraphics**);
    gdip::GpStatus(WINAPI* GdipDeleteGraphics)(gdip::GpGraphics*);
    gdip::GpStatus(WINAPI* GdipSetPageScale)(gdip::GpGraphics*, gdip::REAL);
    gdip::GpStatus(WINAPI* GdipSetPageUnit)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipSetSmoothingMode)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipDrawImageI)(gdip::GpGraphics*, gdip::GpImage*, INT, INT);
    gdip::GpStatus(WINAPI* GdipDrawImageRectI)(gdip::GpGraphics*, gdip::GpImage*, INT, INT, INT, INT);
    gdip::GpStatus(WINAPI* GdipFlush)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipSetInterpolationMode)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipSetTextRenderingHint)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipSetCompositingQuality)(gdip::GpGraphics*, int);
    gdip::GpStatus(WINAPI* GdipGetImageGraphicsContext)(gdip::GpImage*, gdip::GpGraphics**);
    gdip::GpStatus(WINAPI* GdipCreateFontFromLogfontA)(HDC, const LOGFONTA*, gdip::GpFont**);
    gdip::GpStatus(WINAPI* GdipDeleteFont)(gdip::GpFont*);
    gdip::GpStatus(WINAPI* GdipCreateStringFormat)(INT, LANGID, gdip::GpStringFormat**);
    gdip::GpStatus(WINAPI* GdipSetStringFormatAlign)(gdip::GpStringFormat*, int);
    gdip::GpStatus(WINAPI* GdipDeleteStringFormat)(gdip::GpStringFormat*);
    gdip::GpStatus(WINAPI* GdipCreateMatrix2)(gdip::REAL, gdip::REAL, gdip::REAL, gdip::REAL, gdip::REAL,
                                              gdip::REAL, gdip::GpMatrix**);
    gdip::GpStatus(WINAPI* GdipSetWorldTransform)(gdip::GpGraphics*, gdip::GpMatrix*);
    gdip::GpStatus(WINAPI* GdipDeleteMatrix)(gdip::GpMatrix*);
    gdip::GpStatus(WINAPI* GdipCreateSolidFill)(gdip::ARGB, gdip::GpSolidFill**);
    gdip::GpStatus(WINAPI* GdipDeleteBrush)(gdip::GpBrush*);
    gdip::GpStatus(WINAPI* GdipDrawString)(gdip::GpGraphics*, const WCHAR*, INT, const gdip::GpFont*,
                                           const gdip::RectF*, const gdip::GpStringFormat*,
                                           const gdip::GpBrush*);
    gdip::GpStatus(WINAPI* GdipDrawImageRectRect)(gdip::GpGraphics*, gdip::GpImage*, gdip::REAL, gdip::REAL,
                                                  gdip::REAL, gdip::REAL, gdip::REAL, gdip::REAL, gdip::REAL,
                                                  gdip::REAL, int, const gdip::GpImageAttributes*, void*,
                                                  void*);

private:
    CGdiPlus();

    HMODULE m_hModule = nullptr; // kept for the life of the process
    bool m_loaded = false;
};

// Owner of a GDI+ object that a flat-interface call creates through its out-parameter (Out);
// `Free` deletes it when the owner goes.
template <typename T, void (*Free)(T*)> using CGdiPlusObject = CUniqueHandle<NullHandleTraits<T*, Free>>;

namespace gdip {
inline void Delete(GpFont* font) {
    CGdiPlus::Api().GdipDeleteFont(font);
}
inline void Delete(GpStringFormat* format) {
    CGdiPlus::Api().GdipDeleteStringFormat(format);
}
inline void Delete(GpMatrix* matrix) {
    CGdiPlus::Api().GdipDeleteMatrix(matrix);
}
inline void Delete(GpGraphics* graphics) {
    CGdiPlus::Api().GdipDeleteGraphics(graphics);
}
inline void Delete(GpSolidFill* brush) {
    CGdiPlus::Api().GdipDeleteBrush(reinterpret_cast<GpBrush*>(brush));
}
inline void Delete(GpBitmap* bitmap) {
    CGdiPlus::Api().GdipDisposeImage(reinterpret_cast<GpImage*>(bitmap));
}
} // namespace gdip

using CGdiPlusFont = CGdiPlusObject<gdip::GpFont, gdip::Delete>;
using CGdiPlusStringFormat = CGdiPlusObject<gdip::GpStringFormat, gdip::Delete>;
using CGdiPlusMatrix = CGdiPlusObject<gdip::GpMatrix, gdip::Delete>;
using CGdiPlusGraphicsObject = CGdiPlusObject<gdip::GpGraphics, gdip::Delete>;
using CGdiPlusSolidFill = CGdiPlusObject<gdip::GpSolidFill, gdip::Delete>;
using CGdiPlusBitmapObject = CGdiPlusObject<gdip::GpBitmap, gdip::Delete>;

// A GDI+ drawing surface on a device context, deleted when it goes.
class CGdiPlusGraphics : public CGdiPlusGraphicsObject {
public:
    explicit CGdiPlusGraphics(HDC dc) { CGdiPlus::Api().GdipCreateFromHDC(dc, Out()); }
};
