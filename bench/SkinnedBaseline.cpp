// The skinned baseline: the least program that shows the main window as users see it, in plain
// Win32 and flat GDI+. The skin goes to a layered window behind the dialog with per-pixel alpha,
// the dialog is cut to the skin's opaque pixels and painted with them, its three texts are drawn
// over the skin and its two buttons paint their normal face with the caption on it. Each image is
// decoded once. bench/run measures Tervolin.exe's start-up against this program's.
//
// Built with SAME_ORDER_BASELINE it is the same-order baseline: it also makes every start-up call
// the program must make, in its order, and nothing more. It asks the language library for the
// user's language module, creates its layer window before it decodes the skin, lays the dialog out
// again from its template, resizes both windows with the program's SetWindowPos flags (which
// activate them), hands the layer window's DC to the layered update, fetches the system menu and
// sets the icon, and runs the opening check's device-inventory lookup and the driver's open,
// version read and close while the dialog initialises. Both write their start-up phases as the
// program does (TERVOLIN_TRACE_STARTUP=1).
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "app/StartupTrace.h"
#include "Controls/GdiPlus.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "framework/WindowHandle.h"
#include "res/resource.h"
#ifdef SAME_ORDER_BASELINE
#include "app/DriverLibrary.h"
#include "app/SetupApiInventory.h"
#include "Controls/DialogFontAdjuster.h"
#include "core/CameraDetection.h"
#include "core/FirmwareVersion.h"
#include "libs/ravozev/MultiLanguage.h"
#endif

namespace {

constexpr WORD kMainTemplate = IDD_TERVOLIN_DIALOG;
constexpr WORD kSkinPng = IDPNG_MAIN_SKIN;
constexpr WORD kButtonFacePngs[] = {IDPNG_BUTTON_DISABLED, IDPNG_BUTTON_NORMAL, IDPNG_BUTTON_HOVER,
                                    IDPNG_BUTTON_PRESSED};
constexpr int kNormalFace = 1;
constexpr int kTitleId = IDC_TITLE;
constexpr int kTextIds[] = {IDC_TITLE, IDC_DURATION, IDC_QUESTION};
constexpr int kButtonIds[] = {IDOK, IDCANCEL};
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 44;
constexpr COLORREF kTitleColour = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kTextColour = RGB(0x69, 0x69, 0x69);
constexpr char kLayerClass[] = "SkinLayer";

HFONT ArialBold(int height) {
    return CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// A PNG resource decoded into a top-down 32-bit DIB section with premultiplied alpha, selected into
// a memory DC of its own: ready for BitBlt and UpdateLayeredWindow, with no GDI+ image kept.
class CImage {
public:
    CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    bool Decode(HINSTANCE module, WORD id);

    HDC Dc() const { return m_dc; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    std::uint32_t Pixel(int x, int y) const { return m_pBits[static_cast<std::size_t>(y) * m_nWidth + x]; }

private:
    bool TakePixels(gdip::GpBitmap* bitmap);

    // In reverse order when the image goes: the bitmap is selected out, the DC deleted, the bitmap.
    CBitmap m_bitmap;
    CDC m_dc;
    CSelectObject m_selection;
    std::uint32_t* m_pBits = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

bool CImage::Decode(HINSTANCE module, WORD id) {
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    const DWORD size = resource != nullptr ? SizeofResource(module, resource) : 0;
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return false;
    // GDI+ reads from a stream; the stream owns this copy of the bytes and frees it when released.
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* block = copy != nullptr ? GlobalLock(copy) : nullptr;
    if (block == nullptr) {
        GlobalFree(copy);
        return false;
    }
    std::memcpy(block, bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        return false;
    }
    const CGdiPlus& api = CGdiPlus::Api();
    gdip::GpBitmap* bitmap = nullptr;
    bool taken = false;
    if (api.GdipCreateBitmapFromStream(stream, &bitmap) == gdip::Ok && bitmap != nullptr) {
        taken = TakePixels(bitmap);
        api.GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(bitmap));
    }
    stream->Release();
    return taken;
}

bool CImage::TakePixels(gdip::GpBitmap* bitmap) {
    const CGdiPlus& api = CGdiPlus::Api();
    UINT width = 0, height = 0;
    if (api.GdipGetImageWidth(reinterpret_cast<gdip::GpImage*>(bitmap), &width) != gdip::Ok ||
        api.GdipGetImageHeight(reinterpret_cast<gdip::GpImage*>(bitmap), &height) != gdip::Ok || width == 0 ||
        height == 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down, rows as GDI+ gives them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_bitmap || bits == nullptr)
        return false;
    // Straight into the DIB section, premultiplied as UpdateLayeredWindow blends: 32bpp PARGB is the
    // DIB's byte order, blue first, and leaves opaque pixels as they are.
    gdip::BitmapData data{width, height, static_cast<INT>(width * 4), gdip::PixelFormat32bppPARGB, bits, 0};
    const gdip::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    if (api.GdipBitmapLockBits(bitmap, &all, gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                               gdip::PixelFormat32bppPARGB, &data) != gdip::Ok)
        return false;
    api.GdipBitmapUnlockBits(bitmap, &data);
    m_pBits = static_cast<std::uint32_t*>(bits);
    m_nWidth = static_cast<int>(width);
    m_nHeight = static_cast<int>(height);
    m_dc.CreateCompatibleDC(nullptr);
    m_selection.Select(m_dc, m_bitmap);
    return m_dc.GetSafeHdc() != nullptr;
}

// The region of the image's fully opaque pixels: one rectangle for each run of them in a row.
HRGN OpaqueRegion(const CImage& image) {
    std::vector<RECT> runs;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width();) {
            if (image.Pixel(x, y) >> 24 != 255) {
                ++x;
                continue;
            }
            const int left = x;
            while (x < image.Width() && image.Pixel(x, y) >> 24 == 255)
                ++x;
            runs.push_back({left, y, x, y + 1});
        }
    }
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(runs.size());
    data->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    data->rdh.rcBound = {0, 0, image.Width(), image.Height()};
    if (!runs.empty())
        std::memcpy(data->Buffer, runs.data(), runs.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

// What the main window needs: its images, its fonts and the layered window that shows the skin.
class CMainWindow {
public:
    CMainWindow() = default;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    bool Load(HINSTANCE module);
    HWND Layer() const { return m_layer; }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool CreateLayer(HINSTANCE module, int width, int height);
    void Initialise(HWND dialog);
    void DrawButton(const DRAWITEMSTRUCT& item) const;

    CImage m_skin;
    CImage m_faces[4];
    CFont m_titleFont;
    CFont m_textFont;
    CFont m_buttonFont;
    CWindowHandle m_layer;
#ifdef SAME_ORDER_BASELINE
    HICON m_icon = nullptr;
    CDialogFontAdjuster m_fontAdjuster;
#endif
};

bool CMainWindow::Load(HINSTANCE module) {
#ifdef SAME_ORDER_BASELINE
    // The program decodes its button faces before its first window, and its skin after the layer
    // window, which its dialog makes first.
    for (int i = 0; i < 4; ++i) {
        if (!m_faces[i].Decode(module, kButtonFacePngs[i]))
            return false;
    }
    TraceStartup("button faces decoded");
    if (!CreateLayer(module, 0, 0) || !m_skin.Decode(module, kSkinPng))
        return false;
    m_icon = LoadIconA(module, MAKEINTRESOURCEA(IDI_TERVOLIN));
    TraceStartup("layer window made, skin decoded");
#else
    if (!m_skin.Decode(module, kSkinPng))
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!m_faces[i].Decode(module, kButtonFacePngs[i]))
            return false;
    }
    TraceStartup("five images decoded");
    if (!CreateLayer(module, m_skin.Width(), m_skin.Height()))
        return false;
    TraceStartup("layer window made");
#endif
    // The program's sizes: 12 and 9 points for the texts, 8 for the captions, at 96 pixels an inch.
    m_titleFont.Attach(ArialBold(-16));
    m_textFont.Attach(ArialBold(-12));
    m_buttonFont.Attach(ArialBold(-11));
    return true;
}

bool CMainWindow::CreateLayer(HINSTANCE module, int width, int height) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kLayerClass;
    RegisterClassExA(&windowClass);
    // Click-through, and the dialog's owner, so the dialog always stays in front of it.
    m_layer.Attach(CreateWindowExA(
        WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_NOINHERITLAYOUT, kLayerClass, nullptr,
        WS_POPUP, 0, 0, width, height, nullptr, nullptr, module, nullptr));
    return static_cast<bool>(m_layer);
}

void CMainWindow::Initialise(HWND dialog) {
    // No caption or frame: the skin is the whole window, cut to its opaque pixels.
    SetWindowLongPtrA(dialog, GWL_STYLE,
                      GetWindowLongPtrA(dialog, GWL_STYLE) & ~(WS_CAPTION | DS_MODALFRAME));
    SetWindowLongPtrA(dialog, GWL_EXSTYLE, GetWindowLongPtrA(dialog, GWL_EXSTYLE) & ~WS_EX_DLGMODALFRAME);
#ifdef SAME_ORDER_BASELINE
    // The program lays the dialog out again from its template in a font made at 96 pixels an
    // inch, then resizes both windows with its flags: no move, no z-order change, no frame-change
    // notification and no SWP_NOACTIVATE; the layer window was made before the skin's size was
    // known. Its region is set with a redraw.
    m_fontAdjuster.Apply(GetModuleHandleA(nullptr), dialog, kMainTemplate, 96.0);
    constexpr UINT kResize = SWP_NOMOVE | SWP_NOZORDER;
    SetWindowPos(dialog, nullptr, 0, 0, m_skin.Width(), m_skin.Height(), kResize);
    SetWindowPos(m_layer, nullptr, 0, 0, m_skin.Width(), m_skin.Height(), kResize);
    SetWindowRgn(dialog, OpaqueRegion(m_skin), TRUE);
#else
    SetWindowPos(dialog, nullptr, 0, 0, m_skin.Width(), m_skin.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetWindowRgn(dialog, OpaqueRegion(m_skin), FALSE);
#endif

    RECT rect;
    GetWindowRect(dialog, &rect);
    POINT destination{rect.left, rect.top};
    SIZE size{m_skin.Width(), m_skin.Height()};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
#ifdef SAME_ORDER_BASELINE
    // The program hands the layer window's own DC to the update, and fetches the dialog's system
    // menu and gives it its icon, large and small.
    {
        CClientDC layerDc(m_layer);
        UpdateLayeredWindow(m_layer, layerDc, &destination, &size, m_skin.Dc(), &source, 0, &blend,
                            ULW_ALPHA);
    }
    GetSystemMenu(dialog, FALSE);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
#else
    UpdateLayeredWindow(m_layer, nullptr, &destination, &size, m_skin.Dc(), &source, 0, &blend, ULW_ALPHA);
#endif

    for (int id : kTextIds) {
        const HFONT font = id == kTitleId ? m_titleFont.Get() : m_textFont.Get();
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (int id : kButtonIds) {
        HWND button = GetDlgItem(dialog, id);
        SetWindowLongPtrA(button, GWL_STYLE, (GetWindowLongPtrA(button, GWL_STYLE) & ~0xF) | BS_OWNERDRAW);
        SetWindowPos(button, nullptr, 0, 0, kButtonWidth, kButtonHeight, SWP_NOMOVE | SWP_NOZORDER);
    }
    // The program captions its write button "OK" from its string table.
    SetDlgItemTextA(dialog, IDOK, "OK");
    SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
    TraceStartup("initialised");
#ifdef SAME_ORDER_BASELINE
    // The opening check as the program makes it: the camera in the device inventory, then its
    // code version through the driver library beside the program.
    CSetupApiInventory inventory;
    CDriverLibrary driver;
    if (FindCamera(inventory) == kCameraFound)
        ReadCodeVersionInSession(driver);
    TraceStartup("opening check");
#endif
}

void CMainWindow::DrawButton(const DRAWITEMSTRUCT& item) const {
    const CImage& face = m_faces[kNormalFace];
    BitBlt(item.hDC, 0, 0, face.Width(), face.Height(), face.Dc(), 0, 0, SRCCOPY);
    char caption[64] = {};
    GetWindowTextA(item.hwndItem, caption, sizeof caption);
    RECT rect = item.rcItem;
    const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(item.hDC, kTextColour);
    {
        CSelectObject font(item.hDC, m_buttonFont.Get());
        DrawTextA(item.hDC, caption, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SetTextColor(item.hDC, oldColour);
    SetBkMode(item.hDC, oldMode);
}

INT_PTR CALLBACK CMainWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<CMainWindow*>(lParam)->Initialise(dialog);
        return TRUE;
    }
    const auto* window = reinterpret_cast<const CMainWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (window == nullptr)
        return FALSE; // messages of the dialog's creation, before WM_INITDIALOG
    switch (message) {
    case WM_ERASEBKGND:
        BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, window->m_skin.Width(), window->m_skin.Height(),
               window->m_skin.Dc(), 0, 0, SRCCOPY);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kTitleId ? kTitleColour : kTextColour);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH)); // the skin shows through
    }
    case WM_DRAWITEM:
        window->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        TraceStartupOnce("a button drawn");
        return TRUE;
    case WM_SHOWWINDOW: {
        // The skin shows and hides with the dialog, right behind it.
        RECT rect;
        GetWindowRect(dialog, &rect);
        SetWindowPos(window->m_layer, dialog, rect.left, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE | (wParam ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        return FALSE;
    }
    case WM_MOVE: {
        RECT rect;
        GetWindowRect(dialog, &rect);
        SetWindowPos(window->m_layer, nullptr, rect.left, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    TraceStartup("WinMain");
    const INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    TraceStartup("common controls");
    const CGdiPlusSession gdiplus; // until every window and image has gone, as in the program
    if (!gdiplus.Started())
        return 1;
    TraceStartup("GDI+ started");
#ifdef SAME_ORDER_BASELINE
    // The language library, asked for the user's language module, and kept until the end.
    CMultiLanguage language;
    language.LoadLangResourceDLL(instance, "SOFTWARE\\Quellmar\\Webcam", "Language");
    TraceStartup("language module");
#endif
    CMainWindow window;
    if (!window.Load(instance))
        return 1;
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(kMainTemplate), window.Layer(),
                                            CMainWindow::DialogProc, reinterpret_cast<LPARAM>(&window)));
}
