// Binding of the GDI+ flat interface.
#include "Controls/GdiPlus.h"

#include <string>
#include <type_traits>

namespace {

template <typename R, typename... Args> R WINAPI NotLoaded(Args...) {
    if constexpr (!std::is_void_v<R>)
        return gdip::GdiplusNotInitialized;
}

// Binds `slot` to the export, or to a stand-in that fails; false when the export is missing.
template <typename R, typename... Args>
bool Bind(HMODULE module, const char* name, R(WINAPI*& slot)(Args...)) {
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    slot =
        proc ? reinterpret_cast<R(WINAPI*)(Args...)>(reinterpret_cast<void*>(proc)) : &NotLoaded<R, Args...>;
    return proc != nullptr;
}

} // namespace

const CGdiPlus& CGdiPlus::Api() {
    static const CGdiPlus api;
    return api;
}

CGdiPlus::CGdiPlus() {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        m_hModule = LoadLibraryExW((std::wstring(system) + L"\\gdiplus.dll").c_str(), nullptr, 0);
    bool all = true;
    all &= Bind(m_hModule, "GdiplusStartup", GdiplusStartup);
    all &= Bind(m_hModule, "GdiplusShutdown", GdiplusShutdown);
    all &= Bind(m_hModule, "GdipCreateBitmapFromStream", GdipCreateBitmapFromStream);
    all &= Bind(m_hModule, "GdipCreateBitmapFromScan0", GdipCreateBitmapFromScan0);
    all &= Bind(m_hModule, "GdipDisposeImage", GdipDisposeImage);
    all &= Bind(m_hModule, "GdipGetImageWidth", GdipGetImageWidth);
    all &= Bind(m_hModule, "GdipGetImageHeight", GdipGetImageHeight);
    all &= Bind(m_hModule, "GdipBitmapGetPixel", GdipBitmapGetPixel);
    all &= Bind(m_hModule, "GdipBitmapLockBits", GdipBitmapLockBits);
    all &= Bind(m_hModule, "GdipBitmapUnlockBits", GdipBitmapUnlockBits);
    all &= Bind(m_hModule, "GdipCreateHBITMAPFromBitmap", GdipCreateHBITMAPFromBitmap);
    all &= Bind(m_hModule, "GdipCreateBitmapFromHBITMAP", GdipCreateBitmapFromHBITMAP);
    all &= Bind(m_hModule, "GdipSaveImageToFile", GdipSaveImageToFile);
    all &= Bind(m_hModule, "GdipCreateFromHDC", GdipCreateFromHDC);
    all &= Bind(m_hModule, "GdipDeleteGraphics", GdipDeleteGraphics);
    all &= Bind(m_hModule, "GdipSetPageScale", GdipSetPageScale);
    all &= Bind(m_hModule, "GdipSetPageUnit", GdipSetPageUnit);
    all &= Bind(m_hModule, "GdipSetSmoothingMode", GdipSetSmoothingMode);
    all &= Bind(m_hModule, "GdipDrawImageI", GdipDrawImageI);
    all &= Bind(m_hModule, "GdipDrawImageRectI", GdipDrawImageRectI);
    all &= Bind(m_hModule, "GdipFlush", GdipFlush);
    all &= Bind(m_hModule, "GdipSetInterpolationMode", GdipSetInterpolationMode);
    all &= Bind(m_hModule, "GdipSetTextRenderingHint", GdipSetTextRenderingHint);
    all &= Bind(m_hModule, "GdipSetCompositingQuality", GdipSetCompositingQuality);
    all &= Bind(m_hModule, "GdipGetImageGraphicsContext", GdipGetImageGraphicsContext);
    all &= Bind(m_hModule, "GdipCreateFontFromLogfontA", GdipCreateFontFromLogfontA);
    all &= Bind(m_hModule, "GdipDeleteFont", GdipDeleteFont);
    all &= Bind(m_hModule, "GdipCreateStringFormat", GdipCreateStringFormat);
    all &= Bind(m_hModule, "GdipSetStringFormatAlign", GdipSetStringFormatAlign);
    all &= Bind(m_hModule, "GdipDeleteStringFormat", GdipDeleteStringFormat);
    all &= Bind(m_hModule, "GdipCreateMatrix2", GdipCreateMatrix2);
    all &= Bind(m_hModule, "GdipSetWorldTransform", GdipSetWorldTransform);
    all &= Bind(m_hModule, "GdipDeleteMatrix", GdipDeleteMatrix);
    all &= Bind(m_hModule, "GdipCreateSolidFill", GdipCreateSolidFill);
    all &= Bind(m_hModule, "GdipDeleteBrush", GdipDeleteBrush);
    all &= Bind(m_hModule, "GdipDrawString", GdipDrawString);
    all &= Bind(m_hModule, "GdipDrawImageRectRect", GdipDrawImageRectRect);
    m_loaded = all;
}

CGdiPlusSession::CGdiPlusSession() {
    const gdip::StartupInput input;
    if (CGdiPlus::Api().GdiplusStartup(&m_token, &input, nullptr) != gdip::Ok)
        m_token = 0;
}

CGdiPlusSession::~CGdiPlusSession() {
    if (m_token != 0)
        CGdiPlus::Api().GdiplusShutdown(m_token);
}
