// The window framework layer in real windows: message tables, subclassing, reflection, modal
// runs (also nested), string loading and worker threads.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dc.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "framework/Strings.h"
#include "framework/UniqueHandle.h"
#include "framework/WinApp.h"
#include "framework/WinThread.h"
#include "framework/WindowHandle.h"
#include "tests/win/WinTestSupport.h"

namespace {

constexpr UINT WM_TEST_BASE = WM_APP + 1;
constexpr UINT WM_TEST_DERIVED = WM_APP + 2;
constexpr UINT WM_TEST_PASS_ON = WM_APP + 3;

class BaseWnd : public CWnd {
public:
    BEGIN_MSG_MAP(BaseWnd)
    MESSAGE_HANDLER(WM_TEST_BASE, OnBase)
    MESSAGE_HANDLER(WM_TEST_PASS_ON, OnBase)
    END_MSG_MAP()

    LRESULT OnBase(UINT message, WPARAM, LPARAM, bool&) { return message == WM_TEST_BASE ? 10 : 30; }
};

class DerivedWnd : public BaseWnd {
public:
    int passedOn = 0;
    int preSubclassed = 0;
    HWND windowAtPreSubclass = nullptr;

    void PreSubclassWindow() override {
        ++preSubclassed;
        windowAtPreSubclass = m_hWnd;
    }

    BEGIN_MSG_MAP(DerivedWnd)
    MESSAGE_HANDLER(WM_TEST_DERIVED, OnDerived)
    MESSAGE_HANDLER(WM_TEST_PASS_ON, OnPassOn)
    CHAIN_MSG_MAP(BaseWnd)
    END_MSG_MAP()

    LRESULT OnDerived(UINT, WPARAM, LPARAM, bool&) { return 20; }
    LRESULT OnPassOn(UINT, WPARAM, LPARAM, bool& handled) {
        ++passedOn;
        handled = false;
        return 0;
    }
};

TEST(MessageTable, DispatchesChainsFallsBackToTheWindowsOwnProcedureAndUnhooksEitherWay) {
    CWindowHandle window(PopupWindow("own text", false));
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window));
    EXPECT_EQ(wnd.preSubclassed, 1);
    EXPECT_EQ(wnd.windowAtPreSubclass, window);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), &wnd);

    EXPECT_EQ(SendMessageA(window, WM_TEST_DERIVED, 0, 0), 20);
    EXPECT_EQ(SendMessageA(window, WM_TEST_BASE, 0, 0), 10);
    // A handler that clears `handled` lets the base's table answer.
    EXPECT_EQ(SendMessageA(window, WM_TEST_PASS_ON, 0, 0), 30);
    EXPECT_EQ(wnd.passedOn, 1);
    // Unhandled messages reach the static control's own procedure.
    EXPECT_EQ(wnd.GetWindowText(), "own text");

    // Subclassing twice, or a second object on the same window, is refused.
    DerivedWnd other;
    EXPECT_FALSE(other.SubclassWindow(window));
    EXPECT_FALSE(wnd.SubclassWindow(window));

    const HWND gone = window;
    window.Destroy();
    EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(gone), nullptr);

    // An object that goes before its window unhooks it; the window keeps its own procedure.
    window.Attach(PopupWindow("text", false));
    {
        DerivedWnd early;
        ASSERT_TRUE(early.SubclassWindow(window));
    }
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_EQ(SendMessageA(window, WM_TEST_DERIVED, 0, 0), 0);
    char text[16] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "text");
}

// A button that answers reflected notifications; `passClicks` lets the parent run the command too.
class ReflectingButton : public CButton {
public:
    bool passClicks = false;
    HBRUSH brush = nullptr;
    int clicks = 0;
    int draws = 0;

    void DrawItem(LPDRAWITEMSTRUCT) override { ++draws; }

    BEGIN_MSG_MAP(ReflectingButton)
    REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
    MESSAGE_HANDLER(OCM_CTLCOLORBTN, OnCtlColor)
    CHAIN_MSG_MAP(CButton)
    END_MSG_MAP()

    LRESULT OnClicked(WORD, WORD, HWND, bool& handled) {
        ++clicks;
        handled = !passClicks;
        return 0;
    }
    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, bool& handled) {
        handled = brush != nullptr;
        return reinterpret_cast<LRESULT>(brush);
    }
};

// Test template 900 with its buttons bound; it records its life cycle.
class TestDialog : public ScriptedDialog<CDialog> {
public:
    explicit TestDialog(HWND parent = nullptr) : ScriptedDialog(900, parent) {}

    std::vector<std::string> events;
    ReflectingButton click;
    ReflectingButton ownerDrawn;
    int parentClicks = 0;
    HBRUSH parentBrush = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

    void DoDataExchange(CDataExchange* exchange) override {
        events.push_back("bind");
        DDX_Control(exchange, 1001, click);
        DDX_Control(exchange, 1002, ownerDrawn);
    }
    BOOL OnInitDialog() override {
        ScriptedDialog::OnInitDialog();
        events.push_back("init");
        return TRUE;
    }
    void OnOK() override {
        events.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override {
        events.push_back("cancel");
        CDialog::OnCancel();
    }
    bool DestroyWindow() override {
        events.push_back("destroy");
        return CDialog::DestroyWindow();
    }
    void PostNcDestroy() override { events.push_back("post-nc-destroy"); }

    BEGIN_MSG_MAP(TestDialog)
    COMMAND_HANDLER(1001, BN_CLICKED, OnClick)
    MESSAGE_HANDLER(WM_CTLCOLORBTN, OnCtlColor)
    CHAIN_MSG_MAP(ScriptedDialog)
    END_MSG_MAP()

    LRESULT OnClick(WORD, WORD, HWND, bool&) {
        ++parentClicks;
        return 0;
    }
    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(parentBrush); }
};

// The life cycle in order with the owner disabled during the run; a run ends with its code, also
// one nested in another's, and runs no loop when ended while initialising.
TEST(ModalRun, LifeCycleEndCodesAndNestedRunsWithTheOwnerDisabledDuring) {
    CWindowHandle owner(PopupWindow("owner", true));
    TestDialog dialog(owner);
    dialog.script = [&] {
        EXPECT_FALSE(IsWindowEnabled(owner));
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"bind", "init", "ok", "destroy", "post-nc-destroy"}));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.click.GetSafeHwnd(), nullptr);

    TestDialog escape;
    escape.script = [&] { escape.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); };
    EXPECT_EQ(escape.DoModal(), IDCANCEL);
    EXPECT_EQ(escape.events.at(2), "cancel");

    TestDialog early;
    early.setup = [&] { early.OnCancel(); }; // a loop that ran would end with IDOK
    EXPECT_EQ(early.DoModal(), IDCANCEL);
    ASSERT_FALSE(early.events.empty());
    EXPECT_EQ(early.events.back(), "post-nc-destroy");

    TestDialog outer;
    outer.script = [&] {
        TestDialog inner(outer.GetSafeHwnd());
        inner.script = [&] {
            EXPECT_FALSE(outer.IsWindowEnabled());
            inner.EndDialog(42);
        };
        EXPECT_EQ(inner.DoModal(), 42);
        EXPECT_TRUE(outer.IsWindowEnabled());
        outer.EndDialog(7);
    };
    EXPECT_EQ(outer.DoModal(), 7);
}

TEST(Reflection, ClicksColourRequestsAndDrawingGoToTheChildFirst) {
    TestDialog dialog;
    dialog.script = [&] {
        ReflectingButton& click = dialog.click;
        // The child takes the click; the parent's command never runs.
        click.SendMessage(BM_CLICK);
        EXPECT_EQ(click.clicks, 1);
        EXPECT_EQ(dialog.parentClicks, 0);
        // The variant that passes the click on: both run.
        click.passClicks = true;
        click.SendMessage(BM_CLICK);
        EXPECT_EQ(click.clicks, 2);
        EXPECT_EQ(dialog.parentClicks, 1);

        // A colour request answered by the child; one it leaves gets the parent's answer.
        CClientDC dc(click);
        auto colourRequest = [&] {
            return dialog.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                      reinterpret_cast<LPARAM>(click.GetSafeHwnd()));
        };
        click.brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        EXPECT_EQ(colourRequest(), reinterpret_cast<LRESULT>(click.brush));
        click.brush = nullptr;
        EXPECT_EQ(colourRequest(), reinterpret_cast<LRESULT>(dialog.parentBrush));

        // Owner drawing reaches the button's DrawItem.
        dialog.ownerDrawn.Invalidate();
        dialog.ownerDrawn.UpdateWindow();
        EXPECT_GT(dialog.ownerDrawn.draws, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Strings, LoadsAsAnsiTextOfAnyLength) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_EQ(LoadResourceString(module, 900), "Please wait \x85");
    EXPECT_EQ(LoadResourceString(module, 901).size(), 280u);
    EXPECT_EQ(LoadResourceString(module, 902), "");
}

TEST(WorkerThread, StartsSuspendedWithItsPriority) {
    struct Shared {
        LONG ran = 0;
        int priority = 0;
    } shared;
    auto proc = [](LPVOID param) -> UINT {
        auto* s = static_cast<Shared*>(param);
        s->priority = GetThreadPriority(GetCurrentThread());
        InterlockedExchange(&s->ran, 1);
        return 0;
    };
    CWinThread* thread = AfxBeginThread(proc, &shared, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->SetAutoDelete(false);
    Sleep(50);
    EXPECT_EQ(shared.ran, 0);
    thread->ResumeThread();
    EXPECT_EQ(WaitForSingleObject(thread->Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(shared.ran, 1);
    EXPECT_EQ(shared.priority, THREAD_PRIORITY_ABOVE_NORMAL);
    delete thread;
}

// Handles 1..n, each noted when it is closed; 0 and -1 are both invalid.
struct CountedTraits {
    using Type = int;
    static std::vector<int> closed;
    static int Invalid() { return 0; }
    static bool IsValid(int handle) { return handle > 0; }
    static void Close(int handle) { closed.push_back(handle); }
};
std::vector<int> CountedTraits::closed;

TEST(UniqueHandle, AMoveLeavesTheSourceEmptyAndEveryHandleIsClosedOnce) {
    using Owner = CUniqueHandle<CountedTraits>;
    CountedTraits::closed.clear();
    {
        Owner first(1);
        Owner second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), 1);
        Owner third(2);
        third = std::move(second); // 2 goes
        EXPECT_FALSE(second);
        EXPECT_EQ(CountedTraits::closed, std::vector<int>{2});
        third.Reset(1); // the handle held already stays open
        Owner invalid(-1);
        EXPECT_FALSE(invalid);
    }
    EXPECT_EQ(CountedTraits::closed, (std::vector<int>{2, 1}));
}

TEST(SelectObject, PutsBackTheReplacedObjectHoweverTheScopeIsLeft) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
    CFont font;
    LOGFONTA description{};
    description.lfHeight = -20;
    ASSERT_TRUE(font.CreateFontIndirect(description));
    auto draw = [&](bool early) {
        CSelectObject selected(dc, font);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.GetSafeHandle());
        if (early)
            return;
        selected.Restore();
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), original);
    };
    draw(true);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), original);
    draw(false);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), original);
}

TEST(DeviceContext, ABorrowedDcIsLeftAndAnOwnedOneDeleted) {
    HDC memory = CreateCompatibleDC(nullptr);
    {
        CDCHandle borrowed(memory);
        CDCHandle copy = borrowed;
        EXPECT_EQ(copy.GetSafeHdc(), memory);
    }
    ASSERT_EQ(GetObjectType(memory), static_cast<DWORD>(OBJ_MEMDC));
    {
        CDC owner(memory);
        CDCHandle view = owner;
        EXPECT_EQ(view.GetSafeHdc(), memory);
    }
    EXPECT_EQ(GetObjectType(memory), 0u); // the owner, and only it, deleted it

    // A bitmap DC holds its bitmap while it lives, and deletes its own DC.
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(CClientDC(nullptr), 4, 4));
    {
        CBitmapDC source(nullptr, bitmap);
        memory = source;
        EXPECT_EQ(GetCurrentObject(source, OBJ_BITMAP), bitmap.Get());
    }
    EXPECT_EQ(GetObjectType(memory), 0u);
}

} // namespace
