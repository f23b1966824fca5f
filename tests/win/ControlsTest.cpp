// The skinned controls in real windows, read back from the screen: image buttons, the label, the
// bitmap progress bar; and the off-screen DC.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Controls/GdipButton.h"
#include "Controls/Label.h"
#include "Controls/MemDC.h"
#include "Controls/ProgressCtrlST.h"
#include "Controls/TransparentDialogBase.h"
#include "skin/SkinStyle.h"
#include "res/resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

const auto* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

constexpr COLORREF kNormalFace = RGB(0xF6, 0xF6, 0xF6);
constexpr COLORREF kHoverFace = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kPressedFace = RGB(0x8E, 0x0B, 0x20);
constexpr COLORREF kDisabledFace = RGB(0xB9, 0xB9, 0xB9);
constexpr COLORREF kSkinRed = RGB(0xC8, 0x10, 0x2E);
constexpr COLORREF kGreyCaption = RGB(0x69, 0x69, 0x69);
constexpr COLORREF kWhiteCaption = RGB(0xFF, 0xFF, 0xFF);

// The main window's skin and template, its buttons and labels set up as the main window does.
class MainDialog : public ScriptedDialog<CTransparentDialogBase> {
public:
    MainDialog() : ScriptedDialog(IDPNG_MAIN_SKIN, IDD_TERVOLIN_DIALOG, nullptr, false) {}

    CGdipButton write, cancel;
    CLabel title, question;
    int writeClicks = 0;

    void DoDataExchange(CDataExchange* exchange) override {
        DDX_Control(exchange, IDOK, write);
        DDX_Control(exchange, IDCANCEL, cancel);
        DDX_Control(exchange, IDC_TITLE, title);
        DDX_Control(exchange, IDC_QUESTION, question);
    }
    BOOL OnInitDialog() override {
        ScriptedDialog::OnInitDialog();
        StyleSkinButton(write, "OK");
        StyleSkinButton(cancel, "Cancel");
        StyleSkinLabel(title, "Firmware update", 12, 0xFFFFFF);
        StyleSkinLabel(question,
                       "Are you sure you want to upgrade the firmware?\nQuellmar Vistrel Solentra V2.0.7", 9,
                       0x696969);
        MoveWindow(CRect(200, 200, 646, 413));
        return TRUE;
    }

    BEGIN_MSG_MAP(MainDialog)
    COMMAND_HANDLER(IDOK, BN_CLICKED, OnWrite)
    CHAIN_MSG_MAP(ScriptedDialog)
    END_MSG_MAP()

    LRESULT OnWrite(WORD, WORD, HWND, bool&) {
        ++writeClicks;
        return 0;
    }
};

// The button's face away from its caption, repainted first.
COLORREF FaceOf(const CGdipButton& button) {
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    return ScreenPixel(ScreenPoint(button, 12, 22));
}

// The rows of a 100 x 44 face's caption area (x 20 to 80) that hold pixels near `colour`.
std::string CaptionRows(const CGdipButton& button, COLORREF colour) {
    FaceOf(button);
    return Rows(button, {20, 0, 80, 44}, [&](COLORREF c) { return Near(c, colour, 24); });
}

// How many runs of '#' a profile holds: lines of text, for the rows of a caption.
int Runs(const std::string& profile) {
    int count = 0;
    for (std::size_t i = 0; i < profile.size(); ++i)
        count += profile[i] == '#' && (i == 0 || profile[i - 1] == '.');
    return count;
}

// The main window's transparent labels show their text over the skin and leave no ghosts.
void ExpectTransparentLabels(MainDialog& dialog) {
    auto grey = [](COLORREF c) { return GetRValue(c) < 0xC0; };                         // on the light band
    auto white = [](COLORREF c) { return GetGValue(c) > 0xE0 && GetBValue(c) > 0xE0; }; // on the red band
    // How many columns of a label, from `fromX` on, hold a pixel `is` picks out.
    auto count = [](const CLabel& label, int fromX, const std::function<bool(COLORREF)>& is) {
        const CRect client = label.GetClientRect();
        const std::string columns = Columns(label, {fromX, 0, client.Width(), client.Height()}, is);
        return std::count(columns.begin(), columns.end(), '#');
    };
    EXPECT_GT(count(dialog.question, 0, grey), 150);
    EXPECT_GT(count(dialog.title, 0, white), 60);
    // The red band shows through in every column, not a painted box.
    auto red = [](COLORREF c) { return Near(c, kSkinRed, 24); };
    EXPECT_EQ(count(dialog.title, 0, red), dialog.title.GetClientRect().Width());

    dialog.question.SetWindowText("Ab");
    Pump(100);
    EXPECT_GT(count(dialog.question, 0, grey), 5);
    EXPECT_EQ(count(dialog.question, 200, grey), 0); // nothing left of the longer text
}

} // namespace

// The main window's buttons draw the faces decoded before them, which go with the buttons, and
// show their states and captions; its transparent labels show their text and the skin below.
TEST(MainWindowControls, ButtonFacesStatesCaptionsAndFontsAndLabelsOverTheSkin) {
    SkinButtonFaces kept = KeepSkinButtonFaces();
    const std::vector<std::weak_ptr<CPNGResource>> faces(kept.begin(), kept.end());
    for (const auto& face : kept)
        ASSERT_TRUE(face->HasImage());
    auto dialog = std::make_unique<MainDialog>();
    dialog->script = [&, &dialog = *dialog] {
        kept = {};
        for (const auto& face : faces)
            EXPECT_FALSE(face.expired()); // none was decoded anew
        ExpectTransparentLabels(dialog);

        CGdipButton& write = dialog.write;
        const POINT outside = ScreenPoint(dialog, 20, 100), face = ScreenPoint(write, 12, 22);
        auto expectFace = [&](COLORREF expected, COLORREF caption, const char* state) {
            EXPECT_TRUE(Near(FaceOf(write), expected)) << state << std::hex << " " << FaceOf(write);
            EXPECT_EQ(Runs(CaptionRows(write, caption)), 1) << state << " " << CaptionRows(write, caption);
            Sleep(HoldTime());
        };
        MoveCursor(outside);
        expectFace(kNormalFace, kGreyCaption, "normal");
        MoveCursor(face);
        MoveCursor(ScreenPoint(write, 14, 22)); // a move arms leave tracking
        expectFace(kHoverFace, kGreyCaption, "hover");

        SendButton(MOUSEEVENTF_LEFTDOWN);
        expectFace(kPressedFace, kWhiteCaption, "pressed"); // white on dark red
        EXPECT_EQ(Runs(CaptionRows(write, kGreyCaption)), 0);
        MoveCursor(outside); // dragged out: no longer pushed
        EXPECT_TRUE(Near(FaceOf(write), kNormalFace)) << std::hex << FaceOf(write);
        MoveCursor(face); // dragged back
        EXPECT_TRUE(Near(FaceOf(write), kPressedFace)) << std::hex << FaceOf(write);
        MoveCursor(outside);
        SendButton(MOUSEEVENTF_LEFTUP); // released outside: no click
        EXPECT_EQ(dialog.writeClicks, 0);

        // A double click is two clicks; far from the last press, it pairs with none before it.
        MoveCursor(ScreenPoint(write, 60, 38));
        for (int i = 0; i < 2; ++i) {
            SendButton(MOUSEEVENTF_LEFTDOWN);
            SendButton(MOUSEEVENTF_LEFTUP);
        }
        EXPECT_EQ(dialog.writeClicks, 2);

        write.EnableWindow(false);
        expectFace(kDisabledFace, kGreyCaption, "disabled");
        MoveCursor(outside);
        EXPECT_TRUE(Near(FaceOf(write), kDisabledFace)) << std::hex << FaceOf(write);
        write.EnableWindow(true);

        CGdipButton& cancel = dialog.cancel;
        EXPECT_EQ(cancel.GetLogFont().lfHeight, -11);
        EXPECT_EQ(cancel.GetLogFont().lfWeight, FW_BOLD);
        cancel.SetFontName("Arial", 2); // changes nothing, the charset included
        EXPECT_EQ(cancel.GetLogFont().lfCharSet, DEFAULT_CHARSET);
        cancel.SetFontName(std::string(40, 'T').c_str(), 0);
        EXPECT_EQ(std::string(cancel.GetLogFont().lfFaceName), std::string(31, 'T'));
        cancel.SetFontBold(0x100); // only the low eight bits count
        EXPECT_EQ(cancel.GetLogFont().lfWeight, FW_NORMAL);

        // Two lines, one above the other, as far from the top as from the bottom.
        write.SetWindowText("One\nTwo");
        write.SendMessage(WM_GDIPBUTTON_RECAPTURE, 0);
        const std::string two = CaptionRows(write, kGreyCaption);
        EXPECT_EQ(Runs(two), 2) << two;
        const std::size_t top = two.find('#'), bottom = two.size() - 1 - two.rfind('#');
        EXPECT_LE(top > bottom ? top - bottom : bottom - top, 3u) << two;

        // A button larger than its face shows the skin it was laid over around the face.
        write.SetWindowPos(nullptr, 0, 0, 120, 50, SWP_NOMOVE | SWP_NOZORDER);
        write.SendMessage(WM_GDIPBUTTON_RECAPTURE, reinterpret_cast<WPARAM>(CClientDC(dialog).GetSafeHdc()));
        FaceOf(write);
        EXPECT_TRUE(Near(ScreenPixel(ScreenPoint(write, 110, 46)), kSkinRed))
            << std::hex << ScreenPixel(ScreenPoint(write, 110, 46));
        // Recapture over a green surface rebuilds every face over it.
        Surface green(446, 213, RGB(0, 200, 0));
        write.SendMessage(WM_GDIPBUTTON_RECAPTURE, reinterpret_cast<WPARAM>(static_cast<HDC>(green)));
        EXPECT_TRUE(Near(FaceOf(write), kNormalFace));
        EXPECT_TRUE(Near(ScreenPixel(ScreenPoint(write, 110, 46)), RGB(0, 200, 0)));
    };
    EXPECT_EQ(dialog->DoModal(), IDOK);
    dialog.reset(); // and the buttons with it
    for (const auto& face : faces)
        EXPECT_TRUE(face.expired());
}

namespace {

// A label that records what it would open instead of opening it, and counts its paints.
class RecordingLabel : public CLabel {
public:
    std::vector<std::string> opened;
    int paints = 0;

    BEGIN_MSG_MAP(RecordingLabel)
    MESSAGE_HANDLER(WM_PAINT, CountPaint)
    CHAIN_MSG_MAP(CLabel)
    END_MSG_MAP()

protected:
    void ShellOpen(const char* verb, const std::string& file) override {
        opened.push_back(std::string(verb ? verb : "(default)") + " " + file);
    }

private:
    LRESULT CountPaint(UINT, WPARAM, LPARAM, bool& handled) {
        ++paints;
        handled = false;
        return 0;
    }
};

// Test template 910 on a plain dialog: its buttons as image buttons (a check box, a radio group,
// an owner-drawn button, push buttons with BS_LEFT, BS_RIGHT and BS_CENTER) and its label.
class TemplateDialog : public ScriptedDialog<CDialog> {
public:
    TemplateDialog() : ScriptedDialog(910) {}
    CGdipButton check, one, two, three, owner, left, right, centre;
    RecordingLabel label;
    std::vector<UINT> notifications; // from the label

    void DoDataExchange(CDataExchange* exchange) override {
        CWnd* const controls[] = {&check, &one, &two, &three, &owner, &label, &left, &right, &centre};
        int id = 1101;
        for (CWnd* control : controls)
            DDX_Control(exchange, id++, *control);
    }
    BOOL OnInitDialog() override {
        ScriptedDialog::OnInitDialog();
        MoveWindow(CRect(100, 100, 500, 400));
        return TRUE;
    }
    BEGIN_MSG_MAP(TemplateDialog)
    MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    CHAIN_MSG_MAP(ScriptedDialog)
    END_MSG_MAP()

    LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, bool&) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == label.GetSafeHwnd())
            notifications.push_back(header->code);
        return 0;
    }
};

// The box around the label's pixels near `colour`, as the screen shows them.
RECT InkBox(const CWnd& label, COLORREF colour) {
    auto ink = [&](COLORREF c) { return Near(c, colour, 40); };
    const std::string rows = Rows(label, label.GetClientRect(), ink);
    const std::string columns = Columns(label, label.GetClientRect(), ink);
    EXPECT_NE(rows.find('#'), std::string::npos) << std::hex << colour;
    return {static_cast<LONG>(columns.find('#')), static_cast<LONG>(rows.find('#')),
            static_cast<LONG>(columns.rfind('#')), static_cast<LONG>(rows.rfind('#'))};
}

} // namespace

TEST(GdipButton, CheckBoxesRadioGroupsAndCaptionSides) {
    TemplateDialog dialog;
    dialog.setup = [&] {
        StyleSkinButton(dialog.check, "Check");
        int x = 10;
        for (CGdipButton* button : {&dialog.left, &dialog.right, &dialog.centre}) {
            StyleSkinButton(*button, "Ab");
            button->SetWindowPos(nullptr, x, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            x += 120;
        }
    };
    dialog.script = [&] {
        const POINT away = ScreenPoint(dialog, 300, 150);
        MoveCursor(away);
        // Where the grey caption shows on a face: BS_LEFT, BS_RIGHT, BS_CENTER.
        auto caption = [](const CGdipButton& button) {
            return Columns(button, {0, 14, 100, 30}, [](COLORREF c) { return GetRValue(c) < 0xC0; });
        };
        const std::string left = caption(dialog.left), right = caption(dialog.right),
                          centre = caption(dialog.centre);
        EXPECT_NE(left.find('#'), std::string::npos) << left;
        EXPECT_LT(left.rfind('#'), 40u) << left;
        EXPECT_GT(right.find('#'), 60u) << right;
        EXPECT_LT(std::abs(static_cast<int>(centre.find('#') + centre.rfind('#')) - 100), 8) << centre;

        CGdipButton& check = dialog.check;
        EXPECT_EQ(dialog.owner.GetKind(), CGdipButton::CheckBox); // BS_OWNERDRAW has both low bits
        // A checked box under the pointer shows its pressed face: the artwork has no pressed-hover one.
        MoveCursor(ScreenPoint(check, 12, 22));
        MoveCursor(ScreenPoint(check, 14, 22));
        EXPECT_TRUE(Near(FaceOf(check), kHoverFace)) << std::hex << FaceOf(check);
        check.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(check.SendMessage(BM_GETCHECK), BST_CHECKED);
        EXPECT_TRUE(Near(FaceOf(check), kPressedFace)) << std::hex << FaceOf(check);
        MoveCursor(away);
        EXPECT_TRUE(Near(FaceOf(check), kPressedFace)) << std::hex << FaceOf(check);

        dialog.two.SendMessage(BM_SETCHECK, 1);
        dialog.three.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(dialog.two.SendMessage(BM_GETCHECK), BST_UNCHECKED);
        EXPECT_EQ(dialog.three.SendMessage(BM_GETCHECK), BST_CHECKED);
        dialog.one.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(dialog.three.SendMessage(BM_GETCHECK), BST_UNCHECKED);
        EXPECT_EQ(check.SendMessage(BM_GETCHECK), BST_CHECKED); // another group
        check.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(check.SendMessage(BM_GETCHECK), BST_UNCHECKED);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Label, PlacementEmbossRepaintsFontsFlashingAndLinks) {
    TemplateDialog dialog;
    dialog.script = [&] {
        RecordingLabel& label = dialog.label;
        auto inkOf = [&](const char* text) { // the black ink of `text`, shown
            label.SetWindowText(text);
            label.Invalidate();
            Pump();
            return InkBox(label, RGB(0, 0, 0));
        };
        label.SetWindowPos(nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER);
        label.SetBackgroundColor(RGB(255, 255, 255));
        label.SetTextColor(RGB(0, 0, 0));
        label.SetFontSize(12);
        EXPECT_EQ(label.GetLogFont().lfHeight, -16);
        label.ModifyStyle(0, SS_CENTERIMAGE);
        EXPECT_GT(inkOf("Middle").top, 15);
        EXPECT_LT(inkOf("Top\r\nline").top, 10);

        label.ModifyStyle(SS_CENTERIMAGE, 0);
        // A tab is expanded to the next tab stop, well right of where "AB" ends.
        const LONG plainRight = inkOf("AB").right;
        EXPECT_GT(inkOf("A\tB").right, plainRight + 20);

        label.SetWindowText("Emboss");
        label.SetEmbossColor(RGB(255, 0, 0));
        label.SetEmboss(true, true);
        Pump();
        const RECT black = InkBox(label, RGB(0, 0, 0)), red = InkBox(label, RGB(255, 0, 0));
        EXPECT_EQ(red.left - black.left, 1);
        EXPECT_EQ(red.top - black.top, 1);

        label.SetDisplayText("Shown");
        Pump();
        label.paints = 0;
        label.SetDisplayText("Shown");
        Pump();
        EXPECT_EQ(label.paints, 0);

        label.SetFontName(std::string(40, 'F').c_str(), 0);
        EXPECT_EQ(std::string(label.GetLogFont().lfFaceName), std::string(31, 'F'));
        label.SetTransparent(false);
        EXPECT_TRUE(label.GetExStyle() & WS_EX_TRANSPARENT);

        // Flashing blanks the text and stops with it shown.
        label.SetText("Blink");
        label.FlashText(true, 60, 3);
        std::vector<std::string> seen{label.GetWindowText()};
        const DWORD end = GetTickCount() + 1200;
        while (GetTickCount() < end) {
            Pump(5);
            if (label.GetWindowText() != seen.back())
                seen.push_back(label.GetWindowText());
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"Blink", "", "Blink", "", "Blink", "", "Blink"}));
        EXPECT_EQ(label.GetFlashMode(), CLabel::FlashNone);

        // Text set only with SetWindowText is not the stored text: flashing blanks it.
        label.SetText("");
        label.SetWindowText("Window text");
        label.FlashText(true, 60, 0);
        EXPECT_EQ(label.GetWindowText(), "");
        label.FlashText(false, 60, 0);

        // Links open their target, or notify the parent.
        label.SetWindowText("www.example.org");
        label.SetLink(true, false);
        EXPECT_TRUE(label.GetStyle() & SS_NOTIFY);
        label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        label.SetLinkTarget("https://example.org/firmware");
        label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        label.SetWindowText("support@example.org");
        label.SetMailLink(true, false);
        label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_EQ(label.opened,
                  (std::vector<std::string>{"open www.example.org", "open https://example.org/firmware",
                                            "(default) mailto:support@example.org"}));
        label.SetLink(true, true);
        label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_EQ(label.opened.size(), 3u);
        EXPECT_EQ(dialog.notifications, std::vector<UINT>{LABEL_NOTIFY_CLICK});
        label.SetLink(false, false);
        EXPECT_FALSE(label.GetStyle() & SS_NOTIFY);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Label, FollowedLinkKeepsTheShellLoadedWhileTheLabelLives) {
    struct ShellLabel : CLabel {
        using CLabel::ShellOpen;
    };
    // Nothing else in this process has the shell loaded, so its presence is the label's doing.
    ASSERT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
    {
        ShellLabel label;
        label.ShellOpen("open", "Z:\\no-such-folder\\no-such-file.tervolin");
        EXPECT_NE(GetModuleHandleW(L"shell32.dll"), nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
}

TEST(ProgressCtrlST, FillFollowsThePositionAndUpAVerticalBarInsideItsUnpaintedBorder) {
    // The update dialog's skin and template with its bar set up as the update dialog does.
    CProgressCtrlST bar;
    ScriptedDialog<CTransparentDialogBase> dialog(IDPNG_UPDATE_SKIN, IDD_FIRMWARE_UPDATE, nullptr, false);
    dialog.setup = [&] {
        bar.SubclassDlgItem(IDC_PROGRESS, dialog);
        bar.SetWindowPos(nullptr, 0, 0, 298, 13, SWP_NOMOVE | SWP_NOZORDER);
        // A themed progress class may drop the template's border; the bitmaps are drawn for
        // the 296 x 11 client inside it.
        bar.ModifyStyle(0, WS_BORDER);
        bar.ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED);
        bar.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        EXPECT_EQ(bar.SetBitmapResources(IDB_PROGRESS_FILL, IDB_PROGRESS_TRACK, true), 0);
        bar.SendMessage(PBM_SETBKCOLOR, 0, 0);
        bar.SetRange(0, 100);
        bar.SetStep(1);
        bar.SetPos(0);
        dialog.MoveWindow(CRect(200, 200, 646, 550));
    };
    auto isFill = [](COLORREF c) { return GetRValue(c) > 120 && GetGValue(c) < 90; };
    // The bar repainted, then its fill along the middle row (or column) of its client area.
    auto fill = [&](bool rows) {
        bar.Invalidate();
        bar.UpdateWindow();
        Pump(30);
        const CRect c = bar.GetClientRect();
        return rows ? Rows(bar, {c.Width() / 2, 0, c.Width() / 2 + 1, c.Height()}, isFill)
                    : Columns(bar, {0, c.Height() / 2, c.Width(), c.Height() / 2 + 1}, isFill);
    };
    auto filledWidth = [&] {
        const std::string row = fill(false);
        const std::size_t filled = std::min(row.find('.'), row.size());
        return filled == 1 ? 0 : static_cast<int>(filled); // the track's red frame alone is no fill
    };
    dialog.script = [&] {
        const struct { int position, width; } cases[] = {{0, 0}, {1, 3}, {50, 148}, {99, 294}, {100, 296}};
        for (const auto& c : cases) {
            bar.SetPos(c.position);
            EXPECT_EQ(filledWidth(), c.width) << c.position;
            Sleep(HoldTime());
        }
        bar.SetPos(150);
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 100);
        bar.SetPos(-5);
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 0);

        bar.SetRange(7, 7); // a range of 1, never 0
        bar.SetPos(7);
        EXPECT_EQ(filledWidth(), 0);
        bar.SetRange(0, 100);
        bar.SetPos(50);

        EXPECT_EQ(bar.SetBitmapResources(IDB_PROGRESS_FILL, -1, true), 0);
        EXPECT_EQ(filledWidth(), 148);
        // A bitmap whose size cannot be read: no bitmaps, the standard painting.
        EXPECT_EQ(bar.SetBitmaps(reinterpret_cast<HBITMAP>(0x7777), nullptr, true), 1);
        EXPECT_EQ(filledWidth(), 0); // the standard bar's own colours, no red fill

        bar.ModifyStyle(0, PBS_VERTICAL);
        bar.SetWindowPos(nullptr, 0, 0, 13, 122, SWP_NOMOVE | SWP_NOZORDER);
        const CRect client = bar.GetClientRect();
        ASSERT_EQ(client.Height(), 120);
        // Bitmaps drawn for a vertical bar: a red fill and a grey track as tall as its client.
        Surface red(client.Width(), client.Height(), RGB(200, 20, 40));
        Surface grey(client.Width(), client.Height(), RGB(128, 128, 128));
        ASSERT_EQ(bar.SetBitmaps(red.TakeBitmap(), grey.TakeBitmap(), true), 0);
        bar.SetPos(25); // a quarter from the bottom up
        EXPECT_EQ(fill(true), std::string(90, '.') + std::string(30, '#'));
        Sleep(HoldTime());

        // The window's border is the frame's, whatever the bar paints inside it.
        const CRect window = bar.GetWindowRect();
        bar.SetPos(100);
        fill(true);
        for (const POINT edge :
             {POINT{window.left, window.top + 60}, POINT{window.right - 1, window.top + 60},
              POINT{window.left + 6, window.bottom - 1}})
            EXPECT_FALSE(isFill(ScreenPixel(edge))) << edge.x << "," << edge.y;
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(MemDC, DrawsInTheTargetsCoordinatesAndCopiesItsRectangleWhenItGoes) {
    constexpr COLORREF white = RGB(255, 255, 255), blue = RGB(0, 0, 255), green = RGB(0, 255, 0);
    Surface surface(100, 100, white);
    CDCHandle target(surface);
    const CRect area(20, 30, 60, 70);
    {
        CMemDC memory(target, &area);
        memory.FillSolidRect(area, blue);
        memory.FillSolidRect(CRect(20, 30, 25, 35), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(surface, 40, 50), white); // nothing reaches the target before
    }
    auto expectPixels = [&](std::initializer_list<std::tuple<int, int, COLORREF>> pixels) {
        for (auto [x, y, colour] : pixels)
            EXPECT_EQ(GetPixel(surface, x, y), colour) << x << "," << y;
    };
    expectPixels({{20, 30, RGB(255, 0, 0)}, {59, 69, blue}, {19, 30, white}, {60, 69, white}});

    // Without a rectangle it covers the target's clip box.
    IntersectClipRect(surface, 10, 10, 30, 30);
    {
        CMemDC memory(target);
        BITMAP bitmap{};
        GetObject(GetCurrentObject(memory, OBJ_BITMAP), sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 20);
        EXPECT_EQ(bitmap.bmHeight, 20);
        memory.FillSolidRect(CRect(10, 10, 30, 30), green);
    }
    SelectClipRgn(surface, nullptr);
    expectPixels({{10, 10, green}, {29, 29, green}, {9, 10, white}, {30, 31, blue}});
}
