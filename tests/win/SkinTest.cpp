// The skin toolkit in real windows with the program's artwork: PNG resources and their opaque
// region, the font adjuster on the main window's template, and the layered dialog base.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Controls/DialogFontAdjuster.h"
#include "Controls/DialogTemplate.h"
#include "Controls/GdiPlusBitmap.h"
#include "Controls/TransparentDialogBase.h"
#include "framework/WinApp.h"
#include "tests/win/WinTestSupport.h"

namespace {

const auto* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

// The main window's skin and template on the layered base; `script` runs inside the modal loop.
class SkinDialog : public CTransparentDialogBase {
public:
    explicit SkinDialog(bool movable = true, WORD png = 103)
        : CTransparentDialogBase(png, 102, nullptr, movable) {}

    std::function<void(SkinDialog&)> script;
    const CDialogFontAdjuster& Adjuster() const { return FontAdjuster(); }

    BOOL OnInitDialog() override {
        CTransparentDialogBase::OnInitDialog();
        PostMessage(WM_APP);
        return TRUE;
    }

    BEGIN_MSG_MAP(SkinDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()

    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        if (script)
            script(*this);
        EndDialog(IDOK);
        return 0;
    }
};

CRect ChildRect(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

TEST(PngResource, SkinRegionHoldsExactlyTheOpaquePixels) {
    CPNGResource png;
    ASSERT_TRUE(png.LoadFromResource(103));
    ASSERT_EQ(png.GetImageWidth(), 446u);
    ASSERT_EQ(png.GetImageHeight(), 213u);
    HRGN region = png.CreateOpaqueRegion();
    int mismatches = 0, opaque = 0;
    for (int y = 0; y < 213; ++y) {
        for (int x = 0; x < 446; ++x) {
            gdip::ARGB argb = 0;
            CGdiPlus::Api().GdipBitmapGetPixel(png.GetImage(), x, y, &argb);
            const bool isOpaque = (argb >> 24) == 255;
            opaque += isOpaque;
            mismatches += isOpaque != (PtInRegion(region, x, y) != FALSE);
        }
    }
    DeleteObject(region);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(opaque, 400 * 190);
    EXPECT_LT(opaque, 446 * 213);
}

TEST(PngResource, FacesAreOpaqueAndFailedLoadsLeaveTheHolderEmpty) {
    CPNGResource png;
    ASSERT_TRUE(png.LoadFromResource(130));
    EXPECT_EQ(png.GetImageWidth(), 100u);
    EXPECT_EQ(png.GetImageHeight(), 44u);
    HRGN region = png.CreateOpaqueRegion();
    RECT box;
    EXPECT_EQ(GetRgnBox(region, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 100);
    EXPECT_EQ(box.bottom, 44);
    DeleteObject(region);

    EXPECT_FALSE(png.LoadFromResource(999)); // also releases the face held before
    EXPECT_FALSE(png.HasImage());
    EXPECT_EQ(png.GetImageWidth(), 0u);
    HRGN empty = png.CreateOpaqueRegion();
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    DeleteObject(empty);
}

TEST(PngResource, UndecodableDataLeavesTheHolderEmptyAndSaysWhy) {
    for (WORD id : {WORD{951}, WORD{952}}) { // garbage after the signature; a real face cut short
        CPNGResource png;
        ASSERT_TRUE(png.LoadFromResource(130));
        EXPECT_FALSE(png.LoadFromResource(id)) << id;
        EXPECT_FALSE(png.HasImage()) << id;
        EXPECT_EQ(png.GetImageWidth(), 0u) << id;
        EXPECT_NE(png.GetLastStatus(), gdip::Ok) << id;
        EXPECT_EQ(png.GetLastStatus(), gdip::Ok) << id; // reading it resets it
    }
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

TEST(TransparentDialog, LaysOutTheMainWindowTemplateAtNinetySixDpiOverTheSkin) {
    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        const CRect window = d.GetWindowRect();
        EXPECT_EQ(window.Width(), 446);
        EXPECT_EQ(window.Height(), 213);
        RECT layer;
        GetWindowRect(d.LayerWindow(), &layer);
        EXPECT_EQ(layer.right - layer.left, 446);
        EXPECT_EQ(layer.bottom - layer.top, 213);

        EXPECT_EQ(ChildRect(d, 1000), CRect(72, 23, 72 + 297, 23 + 28));
        EXPECT_EQ(ChildRect(d, 1001), CRect(60, 70, 60 + 312, 70 + 29));
        EXPECT_EQ(ChildRect(d, 1002), CRect(56, 106, 56 + 321, 106 + 28));
        EXPECT_EQ(ChildRect(d, 1), CRect(95, 150, 95 + 110, 150 + 26));
        EXPECT_EQ(ChildRect(d, 2), CRect(245, 150, 245 + 110, 150 + 26));

        LOGFONTW font{};
        GetObjectW(d.Adjuster().Font(), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -11);
        EXPECT_EQ(font.lfWeight, 0);
        EXPECT_EQ(std::wstring(font.lfFaceName), L"MS Shell Dlg");
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(d.GetDlgItem(1000), WM_GETFONT, 0, 0)),
                  d.Adjuster().Font());
        EXPECT_EQ(d.GetStyle() & (WS_CAPTION | DS_MODALFRAME), 0u);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(DialogFontAdjuster, ApplyAgainRestoresFirstAndRestorePutsTheFontsBack) {
    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        auto fontOf = [](HWND window) {
            return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
        };
        // What the dialog says its font is goes back on every control.
        const HFONT original = fontOf(d);
        ASSERT_NE(original, nullptr);
        ASSERT_NE(fontOf(d.GetDlgItem(1000)), original);
        CDialogFontAdjuster adjuster;
        adjuster.Apply(GetModuleHandleA(nullptr), d, 102, 192.0);
        const HFONT first = adjuster.Font();
        EXPECT_EQ(fontOf(d.GetDlgItem(1000)), first);
        EXPECT_GT(ChildRect(d, 1000).Width(), 297);

        // A second Apply first undoes the first: its font is gone, and the one it kept is the
        // dialog's own, not the first application's.
        adjuster.Apply(GetModuleHandleA(nullptr), d, 102, 144.0);
        const HFONT second = adjuster.Font();
        LOGFONTW font{};
        EXPECT_EQ(GetObjectW(first, sizeof font, &font), 0);
        EXPECT_EQ(fontOf(d.GetDlgItem(1)), second);
        adjuster.Restore();
        EXPECT_EQ(fontOf(d), original);
        for (int id : {1000, 1001, 1002, 1, 2})
            EXPECT_EQ(fontOf(d.GetDlgItem(id)), original) << id;
        EXPECT_EQ(GetObjectW(second, sizeof font, &font), 0);
        EXPECT_EQ(adjuster.Font(), nullptr);
        adjuster.Restore(); // not applied: nothing to do
        EXPECT_EQ(fontOf(d.GetDlgItem(1000)), original);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(TransparentDialog, LayerWindowIsClickThroughOwnsTheDialogAndFollowsIt) {
    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        HWND layer = d.LayerWindow();
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(layer, GWL_EXSTYLE));
        EXPECT_EQ(exStyle & 0x1800A0u, 0x1800A0u);
        char className[32] = {};
        GetClassNameA(layer, className, sizeof className);
        EXPECT_STREQ(className, "TranFakeWnd");
        EXPECT_EQ(GetWindow(d, GW_OWNER), layer);
        EXPECT_TRUE(IsWindowVisible(layer));

        d.MoveWindow(CRect(200, 150, 646, 363));
        Pump();
        RECT rect;
        GetWindowRect(layer, &rect);
        EXPECT_EQ(rect.left, 200);
        EXPECT_EQ(rect.top, 150);

        d.ShowWindow(SW_HIDE);
        EXPECT_FALSE(IsWindowVisible(layer));
        d.ShowWindow(SW_SHOW);
        EXPECT_TRUE(IsWindowVisible(layer));
        GetWindowRect(layer, &rect);
        EXPECT_EQ(rect.left, 200);

        // A second modal run while the first runs starts no loop.
        EXPECT_EQ(d.DoModal(), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(TransparentDialog, NestedEnableCount) {
    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        d.SendMessage(WM_DLGBASE_ENABLE, 0);
        EXPECT_FALSE(d.IsWindowEnabled());
        d.SendMessage(WM_DLGBASE_ENABLE, 1);
        EXPECT_TRUE(d.IsWindowEnabled());
        d.SendMessage(WM_DLGBASE_ENABLE, 1);
        d.SendMessage(WM_DLGBASE_ENABLE, 0);
        d.SendMessage(WM_DLGBASE_ENABLE, 0);
        EXPECT_FALSE(d.IsWindowEnabled());
        EXPECT_EQ(d.SendMessage(WM_DLGBASE_NOOP, 5, 6), 0);
        d.SendMessage(WM_DLGBASE_ENABLE, 1);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(TransparentDialog, DestructionTakesTheLayerWindowAndItsClass) {
    HWND layer = nullptr;
    {
        SkinDialog dialog;
        layer = dialog.LayerWindow();
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_FALSE(IsWindow(layer));
    }
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "TranFakeWnd", &windowClass));

    // A dialog that never runs does not leave its layer window behind.
    {
        SkinDialog unused;
        layer = unused.LayerWindow();
        EXPECT_TRUE(IsWindow(layer));
    }
    EXPECT_FALSE(IsWindow(layer));
}

TEST(TransparentDialog, RimIsBlendedOverWhatLiesBehind) {
    // A blue backdrop, the skin over it: the corner shows the backdrop, the translucent rim a
    // blend of both, the body the skin's own grey.
    HBRUSH blue = CreateSolidBrush(RGB(0x30, 0x70, 0xB0));
    WNDCLASSA backdropClass{};
    backdropClass.lpfnWndProc = DefWindowProcA;
    backdropClass.hInstance = GetModuleHandleA(nullptr);
    backdropClass.hbrBackground = blue;
    backdropClass.lpszClassName = "SkinTestBackdrop";
    RegisterClassA(&backdropClass);
    HWND backdrop = CreateWindowExA(0, "SkinTestBackdrop", "", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 1024,
                                    nullptr, nullptr, backdropClass.hInstance, nullptr);
    Pump(100);

    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        d.MoveWindow(CRect(300, 300, 746, 513));
        Pump(300);
        Sleep(HoldTime());
        EXPECT_TRUE(Near(ScreenPixel({300, 300}), RGB(0x30, 0x70, 0xB0), 14))
            << std::hex << ScreenPixel({300, 300});
        EXPECT_TRUE(Near(ScreenPixel({303, 400}), RGB(80, 67, 110), 14))
            << std::hex << ScreenPixel({303, 400});
        // The body is the skin's own pixel, near enough to tell it from the plain dialog face.
        CPNGResource skin;
        ASSERT_TRUE(skin.LoadFromResource(103));
        gdip::ARGB argb = 0;
        CGdiPlus::Api().GdipBitmapGetPixel(skin.GetImage(), 223, 100, &argb);
        const COLORREF body = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
        ASSERT_FALSE(Near(body, GetSysColor(COLOR_3DFACE), 4)) << std::hex << body;
        EXPECT_TRUE(Near(ScreenPixel({523, 400}), body, 3)) << std::hex << ScreenPixel({523, 400});
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    DestroyWindow(backdrop);
    DeleteObject(blue);
}

TEST(TransparentDialog, DraggingByTheBodyMovesBothWindowsWithinTheLimits) {
    SkinDialog dialog;
    dialog.script = [](SkinDialog& d) {
        d.MoveWindow(CRect(300, 300, 746, 513));
        Pump();
        // (20, 100) of the client is skin, no control.
        MoveCursor({320, 400});
        SendButton(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(GetCapture(), d.GetSafeHwnd());
        MoveCursor({370, 430});
        SendButton(MOUSEEVENTF_LEFTUP);
        RECT layer;
        GetWindowRect(d.LayerWindow(), &layer);
        EXPECT_EQ(d.GetWindowRect().TopLeft(), CPoint(350, 330));
        EXPECT_EQ(CPoint(layer.left, layer.top), CPoint(350, 330));

        // Near the top of the work area: a step that would leave less than 35 pixels is refused,
        // and the next step down moves from the refused point.
        d.MoveWindow(CRect(300, -150, 746, 63));
        Pump();
        MoveCursor({320, 50});
        SendButton(MOUSEEVENTF_LEFTDOWN);
        MoveCursor({320, 10});
        EXPECT_EQ(d.GetWindowRect().top, -150);
        MoveCursor({320, 30});
        EXPECT_EQ(d.GetWindowRect().top, -130);
        SendButton(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(GetCapture(), nullptr);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(TransparentDialog, FixedDialogTakesTheMouseButNeverMoves) {
    SkinDialog dialog(false);
    dialog.script = [](SkinDialog& d) {
        d.MoveWindow(CRect(300, 300, 746, 513));
        Pump();
        MoveCursor({320, 400});
        SendButton(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(GetCapture(), d.GetSafeHwnd());
        MoveCursor({400, 450});
        SendButton(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(d.GetWindowRect().TopLeft(), CPoint(300, 300));
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

namespace {

DialogTemplate ProgramTemplate(int id) {
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    return ParseDialogTemplate(data, SizeofResource(nullptr, resource)).value_or(DialogTemplate{});
}

struct ExpectedItem {
    std::uint32_t id;
    std::uint32_t style;
    std::int16_t x, y, cx, cy;
};

void ExpectItems(const DialogTemplate& t, const std::vector<ExpectedItem>& expected) {
    ASSERT_EQ(t.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DialogTemplateItem& item = t.items[i];
        EXPECT_EQ(item.id, expected[i].id) << i;
        EXPECT_EQ(item.style, expected[i].style) << item.id;
        EXPECT_EQ(item.x, expected[i].x) << item.id;
        EXPECT_EQ(item.y, expected[i].y) << item.id;
        EXPECT_EQ(item.cx, expected[i].cx) << item.id;
        EXPECT_EQ(item.cy, expected[i].cy) << item.id;
    }
}

} // namespace

TEST(DialogTemplates, MainWindowAndUpdateDialogAreAsDesigned) {
    const DialogTemplate main = ProgramTemplate(102);
    EXPECT_TRUE(main.extended);
    EXPECT_EQ(main.style, 0x90C800C8u);
    EXPECT_EQ(main.exStyle, 0x00040000u);
    EXPECT_EQ(main.cx, 282);
    EXPECT_EQ(main.cy, 115);
    EXPECT_EQ(main.font.pointSize, 8);
    EXPECT_EQ(main.font.faceName, u"MS Shell Dlg");
    ExpectItems(main, {{1002, 0x50020001, 37, 65, 214, 17},
                       {1, 0x50010001, 63, 92, 73, 16},
                       {2, 0x50010001, 163, 92, 73, 16},
                       {1000, 0x50020001, 48, 14, 198, 17},
                       {1001, 0x50020001, 40, 43, 208, 18}});

    const DialogTemplate update = ProgramTemplate(103);
    EXPECT_EQ(update.style, 0x90C800C8u);
    EXPECT_EQ(update.exStyle, 0x00040000u);
    EXPECT_EQ(update.cx, 302);
    EXPECT_EQ(update.cy, 201);
    ExpectItems(update, {{1008, 0x50020001, 48, 14, 198, 17},
                         {1007, 0x50020001, 40, 50, 208, 40},
                         {1003, 0x50800000, 46, 105, 190, 12},
                         {1006, 0x50020001, 37, 129, 214, 12},
                         {1005, 0x50020201, 34, 178, 220, 16}});

    const DialogTemplate about = ProgramTemplate(100);
    EXPECT_EQ(about.style, 0x80C800C8u);
    EXPECT_EQ(about.cx, 235);
    EXPECT_EQ(about.cy, 55);
    ASSERT_EQ(about.items.size(), 4u);
    EXPECT_EQ(about.items[3].id, static_cast<std::uint32_t>(IDOK));
    EXPECT_EQ(about.items[3].x, 178);
}
