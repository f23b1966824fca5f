// Black-box tests of the switches for deployment tools: /check and /quiet never show a window or
// take the focus, and say everything by their exit codes; /? shows the switches.
#include <vector>

#include "tests/ui/ProgramFixture.h"

namespace {

class UnattendedTest : public ProgramTest {
protected:
    // Runs with `switches`, which must end with `exitCode` without ever showing a window of its
    // process or having the foreground: both sampled every 20 ms from its start to its end.
    void ExpectUnseen(const std::string& switches, DWORD exitCode) {
        SCOPED_TRACE(switches);
        Start(switches);
        std::vector<std::string> seen;
        bool foreground = false;
        DWORD exit = 99;
        for (const DWORD end = GetTickCount() + kAfterFaultMs; !m_program.WaitForExit(20, &exit);) {
            for (HWND window : ProcessWindows(m_program.ProcessId()))
                seen.push_back(WindowText(window));
            DWORD process = 0;
            GetWindowThreadProcessId(GetForegroundWindow(), &process);
            foreground = foreground || process == m_program.ProcessId();
            if (GetTickCount() > end) {
                ADD_FAILURE() << "still running";
                break;
            }
        }
        EXPECT_EQ(exit, exitCode);
        EXPECT_TRUE(seen.empty()) << seen.front();
        EXPECT_FALSE(foreground);
    }
    // The updater running already, with its main window open.
    void StartAnother(CProgramRun& other) {
        ASSERT_TRUE(other.Start((Bin() / "Tervolin.exe").wstring(), ""));
        ASSERT_NE(WaitForScreen(other.ProcessId(), Screen::MainWindow), nullptr);
    }
    void PlugFlash(const FlashImage& flash) {
        Plug(kOlder);
        ASSERT_TRUE(SaveFlash(m_folder, flash));
    }
};

} // namespace

// /check reads the camera as the opening check does, a torn flash counting as due, and nothing
// else: the flash and the erase and write counts stay, and the history has no record. With another
// copy running, /check and /quiet alike end with 5 at once.
TEST_F(UnattendedTest, CheckTellsByItsExitCodeWhetherAnUpdateIsDueAndUnattendedRunsYieldToARunningCopy) {
    const FlashImage target = MakeFirmwareImage(kTarget);
    FlashImage torn = target;
    std::fill(torn.begin() + 256, torn.end(), 0xFF);
    const struct {
        FlashImage flash;
        const char* switches;
        DWORD exitCode;
    } cases[] = {
        {MakeFirmwareImage(kOlder), "/check", 10},
        {target, "/check", 0},
        {target, "-CHECK /force", 0},
        {torn, "/check", 10},
        {target, "/check /old", 10},
        {MakeFirmwareImage(TargetFirmwareFor(true).codeVersion), "/check /old", 0},
        {MakeFirmwareImage(kOlder), "/quiet /Check", 10}, // /check with /quiet is /check
    };
    for (const auto& c : cases) {
        PlugFlash(c.flash);
        ExpectUnseen(c.switches, c.exitCode);
        EXPECT_EQ(Flash(), c.flash);
        EXPECT_EQ(State().counters.erases, 0u);
        EXPECT_EQ(State().counters.writes, 0u);
    }
    ASSERT_EQ(Vcam("unplug"), 0);
    ExpectUnseen("/check", 4);
    EXPECT_TRUE(Endings().empty());

    PlugFlash(MakeFirmwareImage(kOlder));
    CProgramRun other;
    StartAnother(other);
    const std::uint32_t calls = State().counters.calls;
    for (const char* switches : {"/check", "/quiet"})
        ExpectUnseen(switches, 5);
    EXPECT_EQ(State().counters.calls, calls); // the camera was never touched
    EXPECT_TRUE(Endings().empty());
}

// /quiet decides as the main window would with its question answered yes, and ends with the
// outcome's exit code; its records say mode=quiet.
TEST_F(UnattendedTest, QuietUpdatesAsTheMainWindowWouldAndEndsWithItsCode) {
    const struct {
        const char* version;
        const char* vcam; // a fault or an unplug, or null
        const char* switches;
        DWORD exitCode;
        const char* endings; // the records the run adds, in order
        const char* flash;   // the code version the flash then holds in whole, or null for another
    } cases[] = {
        {kOlder, nullptr, "/quiet", 0, "begun - updated 0", kTarget},
        {kTarget, nullptr, "/QUIET", 0, "already-latest 0", kTarget},
        {kTarget, nullptr, "-quiet /force", 0, "begun - updated 0", kTarget},
        {kOlder, nullptr, "/quiet /old", 0, "begun - updated 0", TargetFirmwareFor(true).codeVersion},
        {kOlder, "fault write-nothing 3", "/quiet", 1, "begun - update-failed 1", nullptr},
        {kOlder, "fault open-fail 1", "/quiet", 4, "no-camera 4", kOlder},
        {kOlder, "fault crash-erase 1", "/quiet", 6, "begun - crashed 6", nullptr},
        {kOlder, "unplug", "/quiet", 4, "no-camera 4", kOlder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.switches + std::string(" ") + (c.vcam ? c.vcam : ""));
        Plug(c.version);
        if (c.vcam) {
            ASSERT_EQ(Vcam(c.vcam), 0);
        }
        const std::size_t before = Endings().size();
        ExpectUnseen(c.switches, c.exitCode);
        std::string endings;
        for (std::size_t i = before; i < Endings().size(); ++i) {
            endings += (endings.empty() ? "" : " ") + Endings()[i];
            EXPECT_EQ(Field(i, "mode"), "quiet");
        }
        EXPECT_EQ(endings, c.endings);
        if (c.flash) {
            EXPECT_EQ(Flash(), MakeFirmwareImage(c.flash));
        } else {
            EXPECT_NE(CodeVersion(), kTarget);
        }
    }
}

// A quiet update ended mid-flash, as a deployment tool's time-out or a power cut would end it,
// leaves its begun record; the next quiet run notes the interruption and restores the camera.
TEST_F(UnattendedTest, QuietUpdateCutOffIsRestoredByTheNextQuietRun) {
    PlugRealistic(300);
    Start("/quiet");
    for (const DWORD end = GetTickCount() + 20000; State().counters.writes == 0;) {
        ASSERT_LT(GetTickCount(), end);
        Sleep(20);
    }
    Sleep(200);
    m_program.Stop();
    EXPECT_NE(Flash(), MakeFirmwareImage(kTarget));
    ASSERT_EQ(Vcam("set realistic-timings=0"), 0);
    ExpectUnseen("/quiet", 0);
    EXPECT_EQ(Flash(), MakeFirmwareImage(kTarget));
    EXPECT_EQ(Endings(), (std::vector<std::string>{"begun -", "interrupted -", "begun -", "updated 0"}));
    EXPECT_EQ(Field(1, "mode"), "quiet");
    EXPECT_EQ(Field(1, "time"), Field(0, "time"));
}

// /? shows the switches and exit codes in the platform's box, in the user's language, and touches
// no camera. A switch the program does not know changes nothing: the main window opens.
TEST_F(UnattendedTest, HelpShowsTheSwitchesAndUnknownSwitchesChangeNothing) {
    Plug(kOlder);
    const struct {
        const char* switches;
        const char* language; // null: none set
        const char* begins;
    } cases[] = {
        {"/?", nullptr,
         "Tervolin updates the firmware of the SN9C250 webcam.\n\nTervolin.exe [/force] [/old] "
         "[/quiet | /check]"},
        {"-? /force", "fr", "Tervolin met \xE0 jour le firmware de la webcam SN9C250."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.switches);
        if (c.language) {
            ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kLanguageKey, "Language", REG_SZ, c.language, 3),
                      ERROR_SUCCESS);
        }
        Start(c.switches);
        HWND box = Wait(Screen::MessageBox);
        EXPECT_FALSE(IsSkinnedBox(box));
        EXPECT_EQ(WindowText(box), "Tervolin");
        const std::string text = Answer(box);
        EXPECT_EQ(text.rfind(c.begins, 0), 0u) << text;
        for (const char* word : {"/force", "/old", "/quiet", "/check", "/?", "\n6\t", "\n10\t"})
            EXPECT_NE(text.find(word), std::string::npos) << word;
        EndsWith(0);
    }
    EXPECT_EQ(State().counters.calls, 0u);
    EXPECT_TRUE(Endings().empty());

    for (const char* switches : {"/quieter", "/unknown quiet /checkup"}) {
        SCOPED_TRACE(switches);
        HWND main = StartToMainWindow(switches);
        PressButton(GetDlgItem(main, IDCANCEL));
        EndsWith(2);
    }
}

// While the flash is written, a quiet update asks a shutdown to wait, and a quit request or the
// session's end waits for the outcome, which then ends the run as it would have anyway.
TEST_F(UnattendedTest, QuietUpdateOutlastsAQuitRequestAndTheSessionsEnd) {
    PlugRealistic(300);
    Start("/quiet");
    HWND window = nullptr;
    for (const DWORD end = GetTickCount() + 20000; State().counters.erases == 0 || window == nullptr;
         Sleep(20)) {
        ASSERT_LT(GetTickCount(), end);
        window = FindWindowA("TervolinQuietUpdate", nullptr);
    }
    EXPECT_FALSE(IsWindowVisible(window));
    PostThreadMessageA(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD_PTR answer = 1;
    EXPECT_NE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    EXPECT_EQ(answer, 0u);
    PostMessageA(window, WM_ENDSESSION, TRUE, 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(m_program.WaitForExit(60000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(Flash(), MakeFirmwareImage(kTarget));
    EXPECT_EQ(Endings(), (std::vector<std::string>{"begun -", "updated 0"}));
}
