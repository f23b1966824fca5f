// The window framework layer in real windows: message tables, subclassing, reflection, modal
// runs (also nested), string loading and worker threads.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "framework/WinThread.h"

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

TEST(MessageTable, DispatchesChainsAndFallsBackToTheWindowsOwnProcedure) {
    HWND window =
        CreateWindowExA(0, "STATIC", "own text", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
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

    DestroyWindow(window);
    EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
}

TEST(MessageTable, ObjectDestroyedBeforeItsWindowUnhooksIt) {
    HWND window =
        CreateWindowExA(0, "STATIC", "text", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    {
        DerivedWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(window));
    }
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_EQ(SendMessageA(window, WM_TEST_DERIVED, 0, 0), 0);
    char text[16] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "text");
    DestroyWindow(window);
}

// A button that answers reflected notifications; `passClicks` lets the parent run the command too.
class ReflectingButton : public CButton {
public:
    bool passClicks = false;
    HBRUSH brush = nullptr;
    int clicks = 0;
    int draws = 0;

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        ++draws;
        FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }

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

class TestDialog : public CDialog {
public:
    explicit TestDialog(HWND parent = nullptr) : CDialog(900, parent) {}

    std::vector<std::string> events;
    ReflectingButton click;
    ReflectingButton ownerDrawn;
    CStatic label;
    int parentClicks = 0;
    HBRUSH parentBrush = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    bool parentEnabledDuringRun = true;
    // What the dialog does once its modal loop runs.
    std::function<void(TestDialog&)> script;

    void DoDataExchange(CDataExchange* exchange) override {
        events.push_back("bind");
        DDX_Control(exchange, 1001, click);
        DDX_Control(exchange, 1002, ownerDrawn);
        DDX_Control(exchange, 1003, label);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        events.push_back("init");
        if (m_hParentWnd != nullptr)
            parentEnabledDuringRun = ::IsWindowEnabled(m_hParentWnd) != FALSE;
        PostMessage(WM_APP);
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
    MESSAGE_HANDLER(WM_APP, OnScript)
    COMMAND_HANDLER(1001, BN_CLICKED, OnClick)
    MESSAGE_HANDLER(WM_CTLCOLORBTN, OnCtlColor)
    CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()

    LRESULT OnScript(UINT, WPARAM, LPARAM, bool&) {
        if (script)
            script(*this);
        else
            EndDialog(IDOK);
        return 0;
    }
    LRESULT OnClick(WORD, WORD, HWND, bool&) {
        ++parentClicks;
        return 0;
    }
    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(parentBrush); }
};

HWND MakeOwner() {
    return CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                           nullptr, nullptr);
}

TEST(ModalRun, LifeCycleInOrderWithTheOwnerDisabledDuring) {
    HWND owner = MakeOwner();
    TestDialog dialog(owner);
    dialog.script = [](TestDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"bind", "init", "ok", "destroy", "post-nc-destroy"}));
    EXPECT_FALSE(dialog.parentEnabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.click.GetSafeHwnd(), nullptr);
    DestroyWindow(owner);
}

TEST(ModalRun, EscapeCancelsAndEndDialogCodeIsReturned) {
    TestDialog escape;
    escape.script = [](TestDialog& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); };
    EXPECT_EQ(escape.DoModal(), IDCANCEL);
    EXPECT_EQ(escape.events[2], "cancel");

    TestDialog coded;
    coded.script = [](TestDialog& d) { d.EndDialog(42); };
    EXPECT_EQ(coded.DoModal(), 42);
}

TEST(ModalRun, NestedRunDisablesTheOuterDialogAndReturnsToItsLoop) {
    TestDialog outer;
    int innerResult = 0;
    bool outerEnabledDuringInner = true;
    outer.script = [&](TestDialog& o) {
        TestDialog inner(o.GetSafeHwnd());
        inner.script = [](TestDialog& i) { i.EndDialog(IDCANCEL); };
        innerResult = static_cast<int>(inner.DoModal());
        outerEnabledDuringInner = inner.parentEnabledDuringRun;
        o.events.push_back(o.IsWindowEnabled() ? "outer enabled again" : "outer still disabled");
        o.EndDialog(7);
    };
    EXPECT_EQ(outer.DoModal(), 7);
    EXPECT_EQ(innerResult, IDCANCEL);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_EQ(outer.events[2], "outer enabled again");
}

TEST(ModalRun, DialogEndedWhileInitialisingRunsNoLoop) {
    class EndsAtOnce : public TestDialog {
    public:
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            OnCancel();
            return TRUE;
        }
    } dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.events.back(), "post-nc-destroy");
}

TEST(Reflection, ClicksColourRequestsAndDrawingGoToTheChildFirst) {
    TestDialog dialog;
    dialog.script = [](TestDialog& d) {
        HWND button = d.click.GetSafeHwnd();
        // The child takes the click; the parent's command never runs.
        SendMessageA(button, BM_CLICK, 0, 0);
        d.events.push_back("clicks " + std::to_string(d.click.clicks) + "/" + std::to_string(d.parentClicks));
        // The variant that passes the click on: both run.
        d.click.passClicks = true;
        SendMessageA(button, BM_CLICK, 0, 0);
        d.events.push_back("clicks " + std::to_string(d.click.clicks) + "/" + std::to_string(d.parentClicks));

        // A colour request answered by the child; one it leaves gets the parent's answer.
        HDC dc = GetDC(button);
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        d.click.brush = black;
        const LRESULT childAnswer =
            d.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button));
        d.click.brush = nullptr;
        const LRESULT parentAnswer =
            d.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button));
        ReleaseDC(button, dc);
        d.events.push_back(childAnswer == reinterpret_cast<LRESULT>(black) ? "child brush" : "wrong brush");
        d.events.push_back(parentAnswer == reinterpret_cast<LRESULT>(d.parentBrush) ? "parent brush"
                                                                                    : "wrong brush");

        // Owner drawing reaches the button's DrawItem.
        InvalidateRect(d.ownerDrawn.GetSafeHwnd(), nullptr, TRUE);
        UpdateWindow(d.ownerDrawn.GetSafeHwnd());
        d.events.push_back(d.ownerDrawn.draws > 0 ? "drawn" : "not drawn");
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.events[2], "clicks 1/0");
    EXPECT_EQ(dialog.events[3], "clicks 2/1");
    EXPECT_EQ(dialog.events[4], "child brush");
    EXPECT_EQ(dialog.events[5], "parent brush");
    EXPECT_EQ(dialog.events[6], "drawn");
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

} // namespace
