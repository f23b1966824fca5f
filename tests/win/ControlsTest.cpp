// The skinned controls in real windows: image button faces and states read back from the
// screen, the label's fonts, flashing, links and painting, and the bitmap progress bar's fill.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Controls/GdipButton.h"
#include "Controls/Label.h"
#include "Controls/MemDC.h"
#include "Controls/ProgressCtrlST.h"
#include "Controls/TransparentDialogBase.h"
#include "res/SkinStyle.h"
#include "tests/win/WinTestSupport.h"

namespace {

const auto* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

constexpr COLORREF kNormalFace = RGB(0xF6, 0xF6, 0xF6);
constexpr COLORREF kHoverFace = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kPressedFace = RGB(0x8E, 0x0B, 0x20);
constexpr COLORREF kDisabledFace = RGB(0xB9, 0xB9, 0xB9);
constexpr COLORREF kSkinRed = RGB(0xC8, 0x10, 0x2E);

// The main window's skin and template with its two buttons set up as the main window sets
// them up, and its labels; `script` runs inside the modal loop.
class ButtonDialog : public CTransparentDialogBase {
public:
    ButtonDialog() : CTransparentDialogBase(103, 102, nullptr, false) {}

    CGdipButton write;
    CGdipButton cancel;
    CLabel title;
    CLabel duration;
    CLabel question;
    int writeClicks = 0;
    std::function<void(ButtonDialog&)> script;

    void DoDataExchange(CDataExchange* exchange) override {
        DDX_Control(exchange, 1, write);
        DDX_Control(exchange, 2, cancel);
        DDX_Control(exchange, 1000, title);
        DDX_Control(exchange, 1001, duration);
        DDX_Control(exchange, 1002, question);
    }
    BOOL OnInitDialog() override {
        CTransparentDialogBase::OnInitDialog();
        StyleSkinButton(write, "OK");
        StyleSkinButton(cancel, "Cancel");
        const struct {
            CLabel* label;
            const char* text;
            int size;
            COLORREF colour;
        } labels[] = {{&title, "Firmware update", 12, 0xFFFFFF},
                      {&duration, "Upgrading the firmware can hold more than 2 minutes", 9, 0x696969},
                      {&question,
                       "Are you sure you want to upgrade the firmware?\nQuellmar Vistrel Solentra V2.0.7", 9,
                       0x696969}};
        for (const auto& l : labels)
            StyleSkinLabel(*l.label, l.text, l.size, l.colour);
        MoveWindow(CRect(200, 200, 646, 413));
        PostMessage(WM_APP);
        return TRUE;
    }

    BEGIN_MSG_MAP(ButtonDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    COMMAND_HANDLER(1, BN_CLICKED, OnWrite)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()

    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        Pump(200);
        if (script)
            script(*this);
        Sleep(HoldTime());
        EndDialog(IDOK);
        return 0;
    }
    LRESULT OnWrite(WORD, WORD, HWND, bool&) {
        ++writeClicks;
        return 0;
    }

    // A point on the write button's face, away from its caption.
    POINT FacePoint() const { return ScreenPoint(write.GetSafeHwnd(), 12, 22); }
    COLORREF Face() const {
        RedrawWindow(write.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(30);
        return ScreenPixel(FacePoint());
    }
};

} // namespace

TEST(GdipButton, FacesFollowThePointerAndTheButton) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        const POINT outside = ScreenPoint(d, 20, 100);
        MoveCursor(outside);
        EXPECT_TRUE(Near(d.Face(), kNormalFace)) << std::hex << d.Face();
        Sleep(HoldTime());

        MoveCursor(d.FacePoint());
        MoveCursor(ScreenPoint(d.write.GetSafeHwnd(), 14, 22)); // a move arms leave tracking
        EXPECT_TRUE(Near(d.Face(), kHoverFace)) << std::hex << d.Face();
        Sleep(HoldTime());

        SendButton(MOUSEEVENTF_LEFTDOWN);
        EXPECT_TRUE(Near(d.Face(), kPressedFace)) << std::hex << d.Face();
        Sleep(HoldTime());
        MoveCursor(outside); // dragged out: no longer pushed
        EXPECT_TRUE(Near(d.Face(), kNormalFace)) << std::hex << d.Face();
        MoveCursor(d.FacePoint()); // dragged back
        EXPECT_TRUE(Near(d.Face(), kPressedFace)) << std::hex << d.Face();
        MoveCursor(outside);
        SendButton(MOUSEEVENTF_LEFTUP); // released outside: no click
        EXPECT_EQ(d.writeClicks, 0);

        MoveCursor(d.FacePoint());
        SendButton(MOUSEEVENTF_LEFTDOWN);
        SendButton(MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(d.writeClicks, 1);

        d.write.EnableWindow(false);
        Pump();
        EXPECT_TRUE(Near(d.Face(), kDisabledFace)) << std::hex << d.Face();
        Sleep(HoldTime());
        MoveCursor(outside);
        EXPECT_TRUE(Near(d.Face(), kDisabledFace)) << std::hex << d.Face();
        d.write.EnableWindow(true);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, CaptionsTakeEachFacesColourAndTwoLinesAreCentred) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        // Rows of the caption area (x 20 to 80) that hold pixels near `colour`.
        auto rows = [&](COLORREF colour) {
            d.Face();
            std::string found;
            for (int y = 0; y < 44; ++y) {
                bool hit = false;
                for (int x = 20; x < 80 && !hit; ++x)
                    hit = Near(ScreenPixel(ScreenPoint(d.write.GetSafeHwnd(), x, y)), colour, 24);
                found += hit ? '#' : '.';
            }
            return found;
        };
        auto lines = [](const std::string& r) {
            int count = 0;
            for (std::size_t i = 0; i < r.size(); ++i)
                count += r[i] == '#' && (i == 0 || r[i - 1] == '.');
            return count;
        };
        const COLORREF grey = RGB(0x69, 0x69, 0x69), white = RGB(0xFF, 0xFF, 0xFF);
        MoveCursor(ScreenPoint(d, 20, 100));
        EXPECT_EQ(lines(rows(grey)), 1) << rows(grey); // normal
        MoveCursor(d.FacePoint());
        MoveCursor(ScreenPoint(d.write.GetSafeHwnd(), 14, 22));
        EXPECT_EQ(lines(rows(grey)), 1) << rows(grey); // hover
        SendButton(MOUSEEVENTF_LEFTDOWN);
        EXPECT_EQ(lines(rows(white)), 1) << rows(white); // pressed: white on dark red
        EXPECT_EQ(lines(rows(grey)), 0) << rows(grey);
        SendButton(MOUSEEVENTF_LEFTUP);
        MoveCursor(ScreenPoint(d, 20, 100));
        d.write.EnableWindow(false);
        EXPECT_EQ(lines(rows(grey)), 1) << rows(grey); // disabled
        d.write.EnableWindow(true);

        // Two lines, one above the other, as far from the top as from the bottom.
        d.write.SetWindowText("One\nTwo");
        d.write.SendMessage(WM_GDIPBUTTON_RECAPTURE, 0);
        const std::string two = rows(grey);
        EXPECT_EQ(lines(two), 2) << two;
        const std::size_t top = two.find('#'), bottom = two.size() - 1 - two.rfind('#');
        EXPECT_LE(top > bottom ? top - bottom : bottom - top, 3u) << two;
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, DoubleClickGivesTwoClicks) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        MoveCursor(d.FacePoint());
        for (int i = 0; i < 2; ++i) {
            INPUT inputs[2] = {};
            inputs[0].type = inputs[1].type = INPUT_MOUSE;
            inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, inputs, sizeof inputs[0]);
        }
        Pump(200);
        EXPECT_EQ(d.writeClicks, 2);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, FacesAreComposedOverTheParentAndRecapturedOnRequest) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        MoveCursor(ScreenPoint(d, 20, 100));
        // A button larger than its face shows the skin it was laid over around the face.
        d.write.SetWindowPos(nullptr, 0, 0, 120, 50, SWP_NOMOVE | SWP_NOZORDER);
        HDC dialogDc = GetDC(d);
        d.write.SendMessage(WM_GDIPBUTTON_RECAPTURE, reinterpret_cast<WPARAM>(dialogDc));
        ReleaseDC(d, dialogDc);
        d.Face();
        EXPECT_TRUE(Near(ScreenPixel(ScreenPoint(d.write.GetSafeHwnd(), 110, 46)), kSkinRed))
            << std::hex << ScreenPixel(ScreenPoint(d.write.GetSafeHwnd(), 110, 46));

        // Recapture over a green surface rebuilds every face over it.
        HDC screen = GetDC(nullptr);
        HDC green = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 446, 213);
        HGDIOBJ old = SelectObject(green, bitmap);
        RECT all{0, 0, 446, 213};
        HBRUSH brush = CreateSolidBrush(RGB(0, 200, 0));
        FillRect(green, &all, brush);
        d.write.SendMessage(WM_GDIPBUTTON_RECAPTURE, reinterpret_cast<WPARAM>(green));
        d.Face();
        EXPECT_TRUE(Near(ScreenPixel(ScreenPoint(d.write.GetSafeHwnd(), 110, 46)), RGB(0, 200, 0)));
        EXPECT_TRUE(Near(d.Face(), kNormalFace));
        SelectObject(green, old);
        DeleteObject(bitmap);
        DeleteObject(brush);
        DeleteDC(green);
        ReleaseDC(nullptr, screen);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, FontSettingsAndTheirQuirks) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        EXPECT_EQ(d.write.GetLogFont().lfHeight, -11);
        EXPECT_EQ(d.write.GetLogFont().lfWeight, FW_BOLD);
        d.write.SetFontName("Arial", 2); // changes nothing, the charset included
        EXPECT_EQ(d.write.GetLogFont().lfCharSet, DEFAULT_CHARSET);
        d.write.SetFontName(std::string(40, 'T').c_str(), 0);
        EXPECT_EQ(std::string(d.write.GetLogFont().lfFaceName), std::string(31, 'T'));
        d.write.SetFontBold(0x100); // only the low eight bits count
        EXPECT_EQ(d.write.GetLogFont().lfWeight, FW_NORMAL);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

namespace {

// The buttons of template 910 as image buttons on a plain dialog: a check box, a radio group, an
// owner-drawn button, and push buttons with BS_LEFT, BS_RIGHT and BS_CENTER. `setup` runs at
// initialisation, `script` inside the modal loop.
class KindsDialog : public CDialog {
public:
    KindsDialog() : CDialog(910) {}
    CGdipButton check, one, two, three, owner, left, right, centre;
    std::function<void(KindsDialog&)> setup;
    std::function<void(KindsDialog&)> script;

    void DoDataExchange(CDataExchange* exchange) override {
        const struct {
            int id;
            CGdipButton* button;
        } bound[] = {{1101, &check}, {1102, &one},  {1103, &two},   {1104, &three},
                     {1105, &owner}, {1107, &left}, {1108, &right}, {1109, &centre}};
        for (const auto& b : bound)
            DDX_Control(exchange, b.id, *b.button);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MoveWindow(CRect(100, 100, 500, 300));
        if (setup)
            setup(*this);
        PostMessage(WM_APP);
        return TRUE;
    }
    BEGIN_MSG_MAP(KindsDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()
    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        Pump(200);
        if (script)
            script(*this);
        EndDialog(IDOK);
        return 0;
    }
};

// The button's face away from its caption, repainted first.
COLORREF FaceOf(const CGdipButton& button) {
    RedrawWindow(button.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    return ScreenPixel(ScreenPoint(button.GetSafeHwnd(), 12, 22));
}

// The first and last columns of a 100 x 44 face where its grey caption shows.
std::pair<int, int> CaptionColumns(const CGdipButton& button) {
    int first = -1, last = -1;
    for (int x = 0; x < 100; ++x) {
        for (int y = 14; y < 30; ++y) {
            if (GetRValue(ScreenPixel(ScreenPoint(button.GetSafeHwnd(), x, y))) < 0xC0) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

TEST(GdipButton, CheckBoxAndRadioGroup) {
    KindsDialog dialog;
    dialog.script = [](KindsDialog& d) {
        EXPECT_EQ(d.check.GetKind(), CGdipButton::CheckBox);
        EXPECT_EQ(d.one.GetKind(), CGdipButton::RadioButton);
        EXPECT_EQ(d.owner.GetKind(), CGdipButton::CheckBox); // BS_OWNERDRAW has both low bits
        d.check.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(d.check.SendMessage(BM_GETCHECK), BST_CHECKED);
        d.two.SendMessage(BM_SETCHECK, 1);
        d.three.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(d.two.SendMessage(BM_GETCHECK), BST_UNCHECKED);
        EXPECT_EQ(d.three.SendMessage(BM_GETCHECK), BST_CHECKED);
        d.one.SendMessage(BM_SETCHECK, 1);
        EXPECT_EQ(d.three.SendMessage(BM_GETCHECK), BST_UNCHECKED);
        EXPECT_EQ(d.check.SendMessage(BM_GETCHECK), BST_CHECKED); // another group
        d.check.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_EQ(d.check.SendMessage(BM_GETCHECK), BST_UNCHECKED);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, CheckedBoxUnderThePointerShowsItsPressedFace) {
    // The artwork's faces have no pressed-hover image.
    KindsDialog dialog;
    dialog.setup = [](KindsDialog& d) { StyleSkinButton(d.check, "Check"); };
    dialog.script = [](KindsDialog& d) {
        MoveCursor(ScreenPoint(d.check.GetSafeHwnd(), 12, 22));
        MoveCursor(ScreenPoint(d.check.GetSafeHwnd(), 14, 22));
        EXPECT_TRUE(Near(FaceOf(d.check), kHoverFace)) << std::hex << FaceOf(d.check);
        d.check.SendMessage(BM_SETCHECK, 1);
        EXPECT_TRUE(Near(FaceOf(d.check), kPressedFace)) << std::hex << FaceOf(d.check);
        MoveCursor(ScreenPoint(d, 300, 150));
        EXPECT_TRUE(Near(FaceOf(d.check), kPressedFace)) << std::hex << FaceOf(d.check);
        Sleep(HoldTime());
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GdipButton, LeftAndRightStylesPlaceTheCaption) {
    KindsDialog dialog;
    dialog.setup = [](KindsDialog& d) {
        int x = 10;
        for (CGdipButton* button : {&d.left, &d.right, &d.centre}) {
            StyleSkinButton(*button, "Ab");
            button->SetWindowPos(nullptr, x, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            x += 120;
        }
    };
    dialog.script = [](KindsDialog& d) {
        const auto [leftFirst, leftLast] = CaptionColumns(d.left);
        const auto [rightFirst, rightLast] = CaptionColumns(d.right);
        const auto [centreFirst, centreLast] = CaptionColumns(d.centre);
        EXPECT_GE(leftFirst, 0);
        EXPECT_LT(leftLast, 40) << leftFirst;
        EXPECT_GT(rightFirst, 60) << rightLast;
        EXPECT_LT(std::abs((centreFirst + centreLast) - 100), 8) << centreFirst << " " << centreLast;
        Sleep(HoldTime());
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

namespace {

// A label that records what it would open instead of opening it.
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

class LabelDialog : public CDialog {
public:
    LabelDialog() : CDialog(910) {}
    RecordingLabel label;
    std::vector<UINT> notifications;
    std::function<void(LabelDialog&)> script;

    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, 1106, label); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MoveWindow(CRect(100, 100, 500, 400));
        PostMessage(WM_APP);
        return TRUE;
    }
    BEGIN_MSG_MAP(LabelDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()
    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        Pump(100);
        if (script)
            script(*this);
        EndDialog(IDOK);
        return 0;
    }
    LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, bool&) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == label.GetSafeHwnd())
            notifications.push_back(header->code);
        return 0;
    }
};

// Bounding box of the label's pixels of one colour, read from the screen.
RECT InkBox(HWND label, COLORREF colour) {
    RECT client;
    GetClientRect(label, &client);
    RECT box{10000, 10000, -1, -1};
    HDC screen = GetDC(nullptr);
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const POINT p = ScreenPoint(label, x, y);
            if (Near(GetPixel(screen, p.x, p.y), colour, 40)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return box;
}

} // namespace

TEST(Label, FontSizesAndFaceNames) {
    LabelDialog dialog;
    dialog.script = [](LabelDialog& d) {
        d.label.SetFontSize(12);
        EXPECT_EQ(d.label.GetLogFont().lfHeight, -16);
        d.label.SetFontSize(9);
        EXPECT_EQ(d.label.GetLogFont().lfHeight, -12);
        d.label.SetFontName(std::string(40, 'F').c_str(), 0);
        EXPECT_EQ(std::string(d.label.GetLogFont().lfFaceName), std::string(31, 'F'));
        d.label.SetTransparent(false);
        EXPECT_TRUE(d.label.GetExStyle() & WS_EX_TRANSPARENT);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Label, FlashingBlanksTheTextAndStopsShown) {
    LabelDialog dialog;
    dialog.script = [](LabelDialog& d) {
        d.label.SetText("Blink");
        d.label.FlashText(true, 60, 3);
        std::vector<std::string> seen{d.label.GetWindowText()};
        const DWORD end = GetTickCount() + 1200;
        while (GetTickCount() < end) {
            Pump(5);
            if (d.label.GetWindowText() != seen.back())
                seen.push_back(d.label.GetWindowText());
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"Blink", "", "Blink", "", "Blink", "", "Blink"}));
        EXPECT_EQ(d.label.GetFlashMode(), CLabel::FlashNone);

        // Text set only with SetWindowText is not the stored text: flashing blanks it.
        d.label.SetText("");
        d.label.SetWindowText("Window text");
        d.label.FlashText(true, 60, 0);
        EXPECT_EQ(d.label.GetWindowText(), "");
        d.label.FlashText(false, 60, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Label, LinksOpenTheirTargetOrNotifyTheParent) {
    LabelDialog dialog;
    dialog.script = [](LabelDialog& d) {
        d.label.SetWindowText("www.example.org");
        d.label.SetLink(true, false);
        EXPECT_TRUE(d.label.GetStyle() & SS_NOTIFY);
        d.label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        d.label.SetLinkTarget("https://example.org/firmware");
        d.label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        d.label.SetWindowText("support@example.org");
        d.label.SetMailLink(true, false);
        d.label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_EQ(d.label.opened,
                  (std::vector<std::string>{"open www.example.org", "open https://example.org/firmware",
                                            "(default) mailto:support@example.org"}));
        d.label.SetLink(true, true);
        d.label.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_EQ(d.label.opened.size(), 3u);
        EXPECT_EQ(d.notifications, std::vector<UINT>{LABEL_NOTIFY_CLICK});
        d.label.SetLink(false, false);
        EXPECT_FALSE(d.label.GetStyle() & SS_NOTIFY);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Label, TransparentLabelsOverTheSkinShowTheirTextAndNoGhosts) {
    ButtonDialog dialog;
    dialog.script = [](ButtonDialog& d) {
        // Pixels of the label from column `fromX` on that `is` picks out.
        auto count = [](const CLabel& label, int fromX, bool (*is)(COLORREF)) {
            const CRect client = label.GetClientRect();
            int found = 0;
            for (int y = 0; y < client.Height(); y += 1)
                for (int x = fromX; x < client.Width(); x += 1)
                    found += is(ScreenPixel(ScreenPoint(label.GetSafeHwnd(), x, y)));
            return found;
        };
        auto grey = [](COLORREF c) { return GetRValue(c) < 0xC0; }; // on the light band
        auto white = [](COLORREF c) { return GetGValue(c) > 0xE0 && GetBValue(c) > 0xE0; }; // on the red band
        EXPECT_GT(count(d.question, 0, grey), 300);
        EXPECT_GT(count(d.title, 0, white), 150);
        EXPECT_EQ(count(d.title, 0, grey), 0); // the red band shows through, not a painted box

        d.question.SetWindowText("Ab");
        Pump(100);
        EXPECT_GT(count(d.question, 0, grey), 10);
        EXPECT_EQ(count(d.question, 200, grey), 0); // nothing left of the longer text
        Sleep(HoldTime());
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

TEST(Label, CentreImageStyleEmbossAndRepaints) {
    LabelDialog dialog;
    dialog.script = [](LabelDialog& d) {
        HWND label = d.label.GetSafeHwnd();
        d.label.SetWindowPos(nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER);
        d.label.SetBackgroundColor(RGB(255, 255, 255));
        d.label.SetTextColor(RGB(0, 0, 0));
        d.label.SetFontSize(12);
        d.label.ModifyStyle(0, SS_CENTERIMAGE);
        d.label.SetWindowText("Middle");
        d.label.Invalidate();
        Pump();
        const RECT centred = InkBox(label, RGB(0, 0, 0));
        EXPECT_GT(centred.top, 15);
        d.label.SetWindowText("Top\r\nline");
        d.label.Invalidate();
        Pump();
        EXPECT_LT(InkBox(label, RGB(0, 0, 0)).top, 10);

        d.label.ModifyStyle(SS_CENTERIMAGE, 0);
        // A tab is expanded to the next tab stop, well right of where "AB" ends.
        d.label.SetWindowText("AB");
        d.label.Invalidate();
        Pump();
        const LONG plainRight = InkBox(label, RGB(0, 0, 0)).right;
        d.label.SetWindowText("A\tB");
        d.label.Invalidate();
        Pump();
        EXPECT_GT(InkBox(label, RGB(0, 0, 0)).right, plainRight + 20);

        d.label.SetWindowText("Emboss");
        d.label.SetEmbossColor(RGB(255, 0, 0));
        d.label.SetEmboss(true, true);
        Pump();
        const RECT black = InkBox(label, RGB(0, 0, 0));
        const RECT red = InkBox(label, RGB(255, 0, 0));
        EXPECT_EQ(red.left - black.left, 1);
        EXPECT_EQ(red.top - black.top, 1);

        d.label.SetDisplayText("Shown");
        Pump();
        d.label.paints = 0;
        d.label.SetDisplayText("Shown");
        Pump();
        EXPECT_EQ(d.label.paints, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

namespace {

// The update dialog's skin and template with its bar set up as the update dialog does.
class ProgressDialog : public CTransparentDialogBase {
public:
    ProgressDialog() : CTransparentDialogBase(133, 103, nullptr, false) {}
    CProgressCtrlST bar;
    std::function<void(ProgressDialog&)> script;

    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, 1003, bar); }
    BOOL OnInitDialog() override {
        CTransparentDialogBase::OnInitDialog();
        bar.SetWindowPos(nullptr, 0, 0, 298, 13, SWP_NOMOVE | SWP_NOZORDER);
        // A themed progress class may drop the template's border; the bitmaps are drawn for
        // the 296 x 11 client inside it.
        bar.ModifyStyle(0, WS_BORDER);
        bar.ModifyStyleEx(WS_EX_CLIENTEDGE, 0, SWP_FRAMECHANGED);
        bar.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        EXPECT_EQ(bar.SetBitmapResources(136, 137, true), 0);
        bar.SendMessage(PBM_SETBKCOLOR, 0, 0);
        bar.SetRange(0, 100);
        bar.SetStep(1);
        bar.SetPos(0);
        MoveWindow(CRect(200, 200, 646, 550));
        PostMessage(WM_APP);
        return TRUE;
    }
    BEGIN_MSG_MAP(ProgressDialog)
    MESSAGE_HANDLER(WM_APP, OnScript)
    CHAIN_MSG_MAP(CTransparentDialogBase)
    END_MSG_MAP()
    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        Pump(100);
        if (script)
            script(*this);
        EndDialog(IDOK);
        return 0;
    }

    // Pixels of the fill along the middle row of the bar's client area.
    int FilledWidth() {
        bar.Invalidate();
        bar.UpdateWindow();
        Pump(30);
        const CRect client = bar.GetClientRect();
        HDC screen = GetDC(nullptr);
        int filled = 0;
        for (int x = 0; x < client.Width(); ++x) {
            const POINT p = ScreenPoint(bar.GetSafeHwnd(), x, client.Height() / 2);
            const COLORREF c = GetPixel(screen, p.x, p.y);
            if (GetRValue(c) > 120 && GetGValue(c) < 90)
                ++filled;
            else
                break;
        }
        ReleaseDC(nullptr, screen);
        return filled == 1 ? 0 : filled; // the track's red frame alone is no fill
    }
};

} // namespace

TEST(ProgressCtrlST, FillFollowsThePositionAndClamps) {
    ProgressDialog dialog;
    dialog.script = [](ProgressDialog& d) {
        EXPECT_EQ(d.bar.GetClientRect().Width(), 296);
        EXPECT_EQ(d.bar.GetClientRect().Height(), 11);
        const struct { int position, width; } cases[] = {{0, 0}, {1, 3}, {50, 148}, {99, 294}, {100, 296}};
        for (const auto& c : cases) {
            d.bar.SetPos(c.position);
            EXPECT_EQ(d.FilledWidth(), c.width) << c.position;
            if (c.position == 0 || c.position == 50 || c.position == 99)
                Sleep(HoldTime());
        }
        d.bar.SetPos(150);
        EXPECT_EQ(d.bar.SendMessage(PBM_GETPOS), 100);
        d.bar.SetPos(-5);
        EXPECT_EQ(d.bar.SendMessage(PBM_GETPOS), 0);

        d.bar.SetRange(7, 7); // a range of 1, never 0
        d.bar.SetPos(7);
        EXPECT_EQ(d.FilledWidth(), 0);
        d.bar.SetRange(0, 100);
        d.bar.SetPos(50);

        EXPECT_EQ(d.bar.SetBitmapResources(136, -1, true), 0);
        EXPECT_EQ(d.FilledWidth(), 148);
        // A bitmap whose size cannot be read: no bitmaps, the standard painting.
        EXPECT_EQ(d.bar.SetBitmaps(reinterpret_cast<HBITMAP>(0x7777), nullptr, true), 1);
        EXPECT_EQ(d.FilledWidth(), 0); // the standard bar's own colours, no red fill
        EXPECT_EQ(d.bar.SetBitmapResources(136, 137, true), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(ProgressCtrlST, VerticalBarFillsFromTheBottomInsideItsUnpaintedBorder) {
    ProgressDialog dialog;
    dialog.script = [](ProgressDialog& d) {
        d.bar.ModifyStyle(0, PBS_VERTICAL);
        d.bar.SetWindowPos(nullptr, 0, 0, 13, 122, SWP_NOMOVE | SWP_NOZORDER);
        const CRect client = d.bar.GetClientRect();
        ASSERT_EQ(client.Height(), 120);
        // Bitmaps drawn for a vertical bar: a red fill and a grey track as tall as its client.
        auto solid = [&](COLORREF colour) {
            HDC screen = GetDC(nullptr);
            HDC dc = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, client.Width(), client.Height());
            ReleaseDC(nullptr, screen);
            HGDIOBJ old = SelectObject(dc, bitmap);
            HBRUSH brush = CreateSolidBrush(colour);
            const RECT all{0, 0, client.Width(), client.Height()};
            FillRect(dc, &all, brush);
            DeleteObject(brush);
            SelectObject(dc, old);
            DeleteDC(dc);
            return bitmap;
        };
        ASSERT_EQ(d.bar.SetBitmaps(solid(RGB(200, 20, 40)), solid(RGB(128, 128, 128)), true), 0);
        auto isFill = [](COLORREF c) { return GetRValue(c) > 120 && GetGValue(c) < 90; };
        auto column = [&](int x) {
            std::string rows;
            for (int y = 0; y < client.Height(); ++y)
                rows += isFill(ScreenPixel(ScreenPoint(d.bar.GetSafeHwnd(), x, y))) ? '#' : '.';
            return rows;
        };
        d.bar.SetPos(25);
        d.bar.Invalidate();
        d.bar.UpdateWindow();
        Pump(30);
        // A quarter from the bottom up, in the middle column.
        const std::string middle = column(client.Width() / 2);
        EXPECT_EQ(middle.find('#'), std::string::size_type(90)) << middle;
        EXPECT_EQ(middle.find('.', 90), std::string::npos) << middle;
        Sleep(HoldTime());

        // The window's border is the frame's, whatever the bar paints inside it.
        RECT window;
        GetWindowRect(d.bar.GetSafeHwnd(), &window);
        d.bar.SetPos(100);
        d.bar.Invalidate();
        d.bar.UpdateWindow();
        Pump(30);
        for (const POINT edge :
             {POINT{window.left, window.top + 60}, POINT{window.right - 1, window.top + 60},
              POINT{window.left + 6, window.bottom - 1}})
            EXPECT_FALSE(isFill(ScreenPixel(edge))) << edge.x << "," << edge.y;
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(MemDC, DrawsInTheTargetsCoordinatesAndCopiesItsRectangleWhenItGoes) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 100);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, 100, 100};
    const RECT area{20, 30, 60, 70};
    const RECT corner{20, 30, 25, 35};
    const RECT clip{10, 10, 30, 30};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(dc, &all, white);
    CDCHandle target(dc);
    {
        CMemDC memory(&target, &area);
        FillRect(memory, &area, blue);
        FillRect(memory, &corner, red);
        EXPECT_EQ(GetPixel(dc, 40, 50), RGB(255, 255, 255)); // nothing reaches the target before
    }
    EXPECT_EQ(GetPixel(dc, 20, 30), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 59, 69), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 19, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 60, 69), RGB(255, 255, 255));

    // Without a rectangle it covers the target's clip box.
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    {
        CMemDC memory(&target);
        BITMAP surface{};
        GetObject(GetCurrentObject(memory, OBJ_BITMAP), sizeof surface, &surface);
        EXPECT_EQ(surface.bmWidth, 20);
        EXPECT_EQ(surface.bmHeight, 20);
        FillRect(memory, &clip, green);
    }
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 29, 29), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 9, 10), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 30, 31), RGB(0, 0, 255));

    for (HBRUSH brush : {white, blue, red, green})
        DeleteObject(brush);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
