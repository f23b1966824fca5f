// The skin toolkit in real windows with the program's artwork: PNG resources and their opaque
// region, the font adjuster on the main window's template, and the layered dialog base.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Controls/DialogFontAdjuster.h"
#include "Controls/DialogTemplate.h"
#include "Controls/GdiPlusBitmap.h"
#include "Controls/TransparentDialogBase.h"
#include "framework/WinApp.h"
#include "framework/WindowHandle.h"
#include "res/resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

const auto* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

constexpr WORD kCorruptPng = 951;   // the PNG signature over garbage
constexpr WORD kTruncatedPng = 952; // a real face cut short

// The main window's skin and template on the layered base.
class SkinDialog : public ScriptedDialog<CTransparentDialogBase> {
public:
    explicit SkinDialog(bool movable = true)
        : ScriptedDialog(IDPNG_MAIN_SKIN, IDD_TERVOLIN_DIALOG, nullptr, movable) {}
};

CRect WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

CRect ChildRect(HWND dialog, int id) {
    CRect rect = WindowRect(GetDlgItem(dialog, id));
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

gdip::ARGB PixelOf(const CPNGResource& png, int x, int y) {
    gdip::ARGB argb = 0;
    CGdiPlus::Api().GdipBitmapGetPixel(png.GetImage(), x, y, &argb);
    return argb;
}

} // namespace

TEST(PngResource, RegionHoldsExactlyTheOpaquePixels) {
    const struct {
        WORD id;
        UINT width, height;
        bool allOpaque;
    } images[] = {{IDPNG_MAIN_SKIN, 446, 213, false}, {IDPNG_BUTTON_NORMAL, 100, 44, true}};
    for (const auto& image : images) {
        CPNGResource png;
        ASSERT_TRUE(png.LoadFromResource(image.id));
        ASSERT_EQ(png.GetImageWidth(), image.width);
        ASSERT_EQ(png.GetImageHeight(), image.height);
        CRgn region;
        region.Attach(png.CreateOpaqueRegion());
        int mismatches = 0, opaque = 0;
        for (int y = 0; y < static_cast<int>(image.height); ++y) {
            for (int x = 0; x < static_cast<int>(image.width); ++x) {
                const bool isOpaque = (PixelOf(png, x, y) >> 24) == 255;
                opaque += isOpaque;
                mismatches += isOpaque != (PtInRegion(region, x, y) != FALSE);
            }
        }
        EXPECT_EQ(mismatches, 0) << image.id;
        const int all = static_cast<int>(image.width * image.height);
        EXPECT_EQ(opaque == all, image.allOpaque) << image.id; // the skin has a translucent rim
        EXPECT_GT(opaque, all * 4 / 5) << image.id;
    }
}

TEST(PngResource, UndecodableDataLeavesTheHolderEmptyAndSaysWhy) {
    for (WORD id : {kCorruptPng, kTruncatedPng, WORD{999}}) { // 999: no such resource
        CPNGResource png;
        ASSERT_TRUE(png.LoadFromResource(IDPNG_BUTTON_NORMAL));
        EXPECT_FALSE(png.LoadFromResource(id)) << id; // also releases the face held before
        EXPECT_FALSE(png.HasImage()) << id;
        EXPECT_EQ(png.GetImageWidth(), 0u) << id;
        if (id != 999) {
            EXPECT_NE(png.GetLastStatus(), gdip::Ok) << id;
            EXPECT_EQ(png.GetLastStatus(), gdip::Ok) << id; // reading it resets it
        }
        CRgn empty;
        empty.Attach(png.CreateOpaqueRegion());
        RECT box;
        EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION) << id;
    }
}

TEST(PngResource, SharedImagesAreDecodedOnceAndGoWithTheirLastHolder) {
    std::shared_ptr<CPNGResource> first = SharedPngResource(IDPNG_BUTTON_NORMAL);
    std::shared_ptr<CPNGResource> second = SharedPngResource(IDPNG_BUTTON_NORMAL);
    ASSERT_TRUE(first->HasImage());
    EXPECT_EQ(first.get(), second.get());
    EXPECT_NE(SharedPngResource(IDPNG_BUTTON_HOVER).get(), first.get());
    const std::weak_ptr<CPNGResource> held = first;
    first.reset();
    EXPECT_FALSE(held.expired());
    second.reset();
    EXPECT_TRUE(held.expired());
    EXPECT_FALSE(SharedPngResource(kCorruptPng)->HasImage());
}

TEST(PngResource, UnallocatableBufferThrowsWithItsMessage) {
    try {
        GlobalBuffer buffer(~static_cast<SIZE_T>(0) - 4096);
        FAIL() << "no exception";
    } catch (const std::bad_alloc& error) {
        EXPECT_STREQ(error.what(),
                     ".\\Controls\\GdiPlusBitmap[GlobalBuffer::GlobalBuffer]: Cannot allocate memory");
        EXPECT_NE(dynamic_cast<const COutOfMemoryException*>(&error), nullptr);
    }
}

// The layer window and its class go with the dialog's run, or with a dialog that never ran.
TEST(TransparentDialog, LaysOutTheTemplateOverAClickThroughLayerThatFollowsNestsEnablingAndGoesWithIt) {
    SkinDialog dialog;
    const HWND layer = dialog.LayerWindow();
    dialog.script = [&] {
        EXPECT_EQ(dialog.GetWindowRect().Width(), 446);
        EXPECT_EQ(dialog.GetWindowRect().Height(), 213);
        EXPECT_EQ(WindowRect(layer), dialog.GetWindowRect());
        EXPECT_EQ(ChildRect(dialog, IDC_TITLE), CRect(72, 23, 72 + 297, 23 + 28));
        EXPECT_EQ(ChildRect(dialog, IDC_DURATION), CRect(60, 70, 60 + 312, 70 + 29));
        EXPECT_EQ(ChildRect(dialog, IDC_QUESTION), CRect(56, 106, 56 + 321, 106 + 28));
        EXPECT_EQ(ChildRect(dialog, IDOK), CRect(95, 150, 95 + 110, 150 + 26));
        EXPECT_EQ(ChildRect(dialog, IDCANCEL), CRect(245, 150, 245 + 110, 150 + 26));

        LOGFONTW font{};
        GetObjectW(dialog.FontAdjuster().Font(), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -11);
        EXPECT_EQ(font.lfWeight, 0);
        EXPECT_EQ(std::wstring(font.lfFaceName), L"MS Shell Dlg");
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(dialog.GetDlgItem(IDC_TITLE), WM_GETFONT, 0, 0)),
                  dialog.FontAdjuster().Font());
        EXPECT_EQ(dialog.GetStyle() & (WS_CAPTION | DS_MODALFRAME), 0u);

        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(layer, GWL_EXSTYLE)) & 0x1800A0u, 0x1800A0u);
        char className[32] = {};
        GetClassNameA(layer, className, sizeof className);
        EXPECT_STREQ(className, "TranFakeWnd");
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), layer);
        EXPECT_TRUE(IsWindowVisible(layer));

        dialog.MoveWindow(CRect(200, 150, 646, 363));
        Pump();
        EXPECT_EQ(WindowRect(layer), CRect(200, 150, 646, 363));
        dialog.ShowWindow(SW_HIDE);
        EXPECT_FALSE(IsWindowVisible(layer));
        dialog.ShowWindow(SW_SHOW);
        EXPECT_TRUE(IsWindowVisible(layer));
        EXPECT_EQ(WindowRect(layer), CRect(200, 150, 646, 363));

        // Enables and disables nest, as a count: the extra enable still counts.
        int step = 0;
        for (auto [enable, enabled] : {std::pair{0, false}, {1, true}, {1, true}, {0, true}, {0, false}}) {
            dialog.SendMessage(WM_DLGBASE_ENABLE, enable);
            EXPECT_EQ(dialog.IsWindowEnabled(), enabled) << step++;
        }
        EXPECT_EQ(dialog.SendMessage(WM_DLGBASE_NOOP, 5, 6), 0);
        dialog.SendMessage(WM_DLGBASE_ENABLE, 1);

        // A second modal run while the first runs starts no loop.
        EXPECT_EQ(dialog.DoModal(), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(IsWindow(layer));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "TranFakeWnd", &windowClass));
    HWND unusedLayer = nullptr;
    {
        SkinDialog unused;
        unusedLayer = unused.LayerWindow();
        EXPECT_TRUE(IsWindow(unusedLayer));
    }
    EXPECT_FALSE(IsWindow(unusedLayer));
}

TEST(TransparentDialog, RimIsBlendedOverWhatLiesBehind) {
    // Over a blue backdrop: the corner shows it, the translucent rim a blend, the body the skin.
    CBrush blue;
    blue.CreateSolidBrush(RGB(0x30, 0x70, 0xB0));
    WNDCLASSA backdropClass{};
    backdropClass.lpfnWndProc = DefWindowProcA;
    backdropClass.hInstance = GetModuleHandleA(nullptr);
    backdropClass.hbrBackground = blue;
    backdropClass.lpszClassName = "SkinTestBackdrop";
    RegisterClassA(&backdropClass);
    CWindowHandle backdrop(CreateWindowExA(0, "SkinTestBackdrop", "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 1024,
                                           nullptr, nullptr, backdropClass.hInstance, nullptr));
    Pump(100);

    SkinDialog dialog;
    dialog.script = [&] {
        dialog.MoveWindow(CRect(300, 300, 746, 513));
        Pump(300);
        Sleep(HoldTime());
        EXPECT_TRUE(Near(ScreenPixel({300, 300}), RGB(0x30, 0x70, 0xB0), 14))
            << std::hex << ScreenPixel({300, 300});
        EXPECT_TRUE(Near(ScreenPixel({303, 400}), RGB(80, 67, 110), 14))
            << std::hex << ScreenPixel({303, 400});
        // The body is the skin's own pixel, near enough to tell it from the plain dialog face.
        CPNGResource skin;
        ASSERT_TRUE(skin.LoadFromResource(IDPNG_MAIN_SKIN));
        const gdip::ARGB argb = PixelOf(skin, 223, 100);
        const COLORREF body = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
        ASSERT_FALSE(Near(body, GetSysColor(COLOR_3DFACE), 4)) << std::hex << body;
        EXPECT_TRUE(Near(ScreenPixel({523, 400}), body, 3)) << std::hex << ScreenPixel({523, 400});
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(TransparentDialog, DraggingByTheBodyMovesBothWindowsWithinTheLimitsUnlessFixed) {
    for (const bool movable : {true, false}) {
        SkinDialog dialog(movable);
        dialog.script = [&] {
            dialog.MoveWindow(CRect(300, 300, 746, 513));
            Pump();
            MoveCursor({320, 400}); // (20, 100) of the client is skin, no control
            SendButton(MOUSEEVENTF_LEFTDOWN);
            EXPECT_EQ(GetCapture(), dialog.GetSafeHwnd()); // a fixed dialog takes the mouse too
            MoveCursor({370, 430});
            SendButton(MOUSEEVENTF_LEFTUP);
            const CPoint moved = movable ? CPoint(350, 330) : CPoint(300, 300);
            EXPECT_EQ(dialog.GetWindowRect().TopLeft(), moved) << movable;
            EXPECT_EQ(WindowRect(dialog.LayerWindow()).TopLeft(), moved) << movable;
            if (!movable)
                return;

            // Near the top of the work area: a step that would leave less than 35 pixels is
            // refused, and the next step down moves from the refused point.
            dialog.MoveWindow(CRect(300, -150, 746, 63));
            Pump();
            MoveCursor({320, 50});
            SendButton(MOUSEEVENTF_LEFTDOWN);
            MoveCursor({320, 10});
            EXPECT_EQ(dialog.GetWindowRect().top, -150);
            MoveCursor({320, 30});
            EXPECT_EQ(dialog.GetWindowRect().top, -130);
            SendButton(MOUSEEVENTF_LEFTUP);
            EXPECT_EQ(GetCapture(), nullptr);
        };
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
}

TEST(DialogFontAdjuster, ApplyAgainRestoresFirstAndRestorePutsTheFontsBack) {
    SkinDialog dialog;
    dialog.script = [&] {
        auto fontOf = [](HWND window) {
            return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
        };
        // What the dialog says its font is goes back on every control.
        const HFONT original = fontOf(dialog);
        ASSERT_NE(original, nullptr);
        ASSERT_NE(fontOf(dialog.GetDlgItem(IDC_TITLE)), original);
        CDialogFontAdjuster adjuster;
        adjuster.Apply(GetModuleHandleA(nullptr), dialog, IDD_TERVOLIN_DIALOG, 192.0);
        const HFONT first = adjuster.Font();
        EXPECT_EQ(fontOf(dialog.GetDlgItem(IDC_TITLE)), first);
        EXPECT_GT(ChildRect(dialog, IDC_TITLE).Width(), 297);

        // A second Apply first undoes the first: its font goes, the dialog's own is kept.
        adjuster.Apply(GetModuleHandleA(nullptr), dialog, IDD_TERVOLIN_DIALOG, 144.0);
        const HFONT second = adjuster.Font();
        LOGFONTW font{};
        EXPECT_EQ(GetObjectW(first, sizeof font, &font), 0);
        EXPECT_EQ(fontOf(dialog.GetDlgItem(IDOK)), second);
        adjuster.Restore();
        EXPECT_EQ(fontOf(dialog), original);
        for (int id : {IDC_TITLE, IDC_DURATION, IDC_QUESTION, IDOK, IDCANCEL})
            EXPECT_EQ(fontOf(dialog.GetDlgItem(id)), original) << id;
        EXPECT_EQ(GetObjectW(second, sizeof font, &font), 0);
        EXPECT_EQ(adjuster.Font(), nullptr);
        adjuster.Restore(); // not applied: nothing to do
        EXPECT_EQ(fontOf(dialog.GetDlgItem(IDC_TITLE)), original);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

namespace {

DialogTemplate ProgramTemplate(int id) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    return ParseDialogTemplate(data, SizeofResource(nullptr, resource)).value_or(DialogTemplate{});
}

} // namespace

TEST(DialogTemplates, MainWindowAndUpdateDialogAreAsDesigned) {
    // Each template's items in order: id, style, x, y, cx, cy.
    using Item = std::tuple<std::uint32_t, std::uint32_t, int, int, int, int>;
    std::map<int, std::vector<Item>> items;
    for (const auto& [id, cx, cy] :
         {std::tuple{IDD_TERVOLIN_DIALOG, 282, 115}, std::tuple{IDD_FIRMWARE_UPDATE, 302, 201}}) {
        const DialogTemplate t = ProgramTemplate(id);
        EXPECT_TRUE(t.extended) << id;
        EXPECT_EQ(std::make_tuple(t.style, t.exStyle, t.cx, t.cy, t.font.pointSize),
                  std::make_tuple(0x90C800C8u, 0x00040000u, cx, cy, 8))
            << id;
        EXPECT_EQ(t.font.faceName, u"MS Shell Dlg") << id;
        for (const DialogTemplateItem& i : t.items)
            items[id].emplace_back(i.id, i.style, i.x, i.y, i.cx, i.cy);
    }
    EXPECT_EQ(items, (std::map<int, std::vector<Item>>{{IDD_TERVOLIN_DIALOG,
                                                        {{IDC_QUESTION, 0x50020001, 37, 65, 214, 17},
                                                         {IDOK, 0x50010001, 63, 92, 73, 16},
                                                         {IDCANCEL, 0x50010001, 163, 92, 73, 16},
                                                         {IDC_TITLE, 0x50020001, 48, 14, 198, 17},
                                                         {IDC_DURATION, 0x50020001, 40, 43, 208, 18}}},
                                                       {IDD_FIRMWARE_UPDATE,
                                                        {{IDC_UPDATE_TITLE, 0x50020001, 48, 14, 198, 17},
                                                         {IDC_WARNING, 0x50020001, 40, 50, 208, 40},
                                                         {IDC_PROGRESS, 0x50800000, 46, 105, 190, 12},
                                                         {IDC_UPDATE_DURATION, 0x50020001, 37, 129, 214, 12},
                                                         {IDC_PLEASE_WAIT, 0x50020201, 34, 178, 220, 16}}}}));

    const DialogTemplate about = ProgramTemplate(IDD_ABOUTBOX);
    EXPECT_EQ(std::make_tuple(about.style, about.cx, about.cy), std::make_tuple(0x80C800C8u, 235, 55));
    ASSERT_EQ(about.items.size(), 4u);
    EXPECT_EQ(about.items[3].id, static_cast<std::uint32_t>(IDOK));
    EXPECT_EQ(about.items[3].x, 178);
}
