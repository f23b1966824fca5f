// Black-box tests of Tervolin.exe run as a user runs it.
#include "tests/ui/ProgramFixture.h"

TEST_F(ProgramTest, NoCameraAtTheStartEndsTheProgramAndAtTheWriteButtonKeepsTheWindow) {
    Plug(kOlder);
    ASSERT_EQ(Vcam("unplug"), 0);
    Start();
    HWND box = Wait(Screen::MessageBox);
    EXPECT_EQ(WindowText(box), "Firmware update");
    EXPECT_TRUE(IsSkinnedBox(box));
    EXPECT_TRUE(MessageBoxHasIcon(box));
    EXPECT_EQ(Answer(box), kNotPluggedIn);
    EndsWith(4);
    EXPECT_EQ(State().counters.calls, 0u); // the driver was never opened
    EXPECT_EQ(Endings(), std::vector<std::string>{"no-camera 4"});
    EXPECT_EQ(Field(0, "before"), "");

    HWND main = PlugAndStart(kOlder);
    ASSERT_EQ(Vcam("unplug"), 0);
    PressButton(GetDlgItem(main, IDOK));
    box = Wait(Screen::MessageBox);
    EXPECT_TRUE(MessageBoxHasIcon(box));
    EXPECT_EQ(Answer(box), kNotPluggedIn);
    EXPECT_TRUE(Showing(Screen::MainWindow));
    PressButton(GetDlgItem(main, IDCANCEL));
    // The last word on the camera was that it cannot be reached.
    EndsWith(4);
    EXPECT_EQ(State().counters.erases, 0u);
    EXPECT_EQ(Endings(), (std::vector<std::string>{"no-camera 4", "no-camera 4", "cancelled 4"}));
}

TEST_F(ProgramTest, TargetFirmwareAlreadyThereIsNamedAndOnlyForceWritesItAgain) {
    Plug(kTarget);
    Start();
    EXPECT_EQ(AnswerNext(), kLatestNamed);
    EndsWith(0);
    EXPECT_EQ(State().counters.erases, 0u);
    EXPECT_EQ(Endings(), std::vector<std::string>{"already-latest 0"});
    EXPECT_EQ(Field(0, "before"), kTarget);
    EXPECT_EQ(Field(0, "after"), kTarget);
    EXPECT_EQ(Field(0, "target"), "133");
    EXPECT_EQ(Field(0, "target-name"), "Quellmar Vistrel Solentra V2.0.7");
    EXPECT_EQ(Field(0, "switches"), "-");
    EXPECT_EQ(Field(0, "version"), "1.0.0.0");
    EXPECT_EQ(Field(0, "time").size(), 20u); // 2026-12-07T01:02:03Z

    HWND main = StartToMainWindow("/force");
    EXPECT_FALSE(Showing(Screen::MessageBox));
    PressButton(GetDlgItem(main, IDOK));
    ExpectSuccessAndEnd();
    EXPECT_EQ(State().counters.erases, 1u);
}

TEST_F(ProgramTest, OldSwitchNamesAndInstallsTheOlderImageAlsoWithoutAHistory) {
    // Where the history's folder should be, a file: the update does not mind.
    { std::ofstream(m_local / "Tervolin") << "in the way"; }
    HWND main = PlugAndStart(kOlder, "/old");
    EXPECT_EQ(ChildText(main, IDC_QUESTION),
              "Are you sure you want to upgrade the firmware?\nQuellmar Vistrel Solentra V1.0.8");
    PressButton(GetDlgItem(main, IDOK));
    EXPECT_EQ(AnswerNext(60000), kSucceeded);
    EndsWith(0);
    EXPECT_EQ(Flash(), MakeFirmwareImage(TargetFirmwareFor(true).codeVersion));
}

TEST_F(ProgramTest, SuccessfulUpdateRunsOnceWhateverIsPressedMeanwhileThenReportsAndEnds) {
    HWND main = StartOverRealisticCamera(300);
    EXPECT_EQ(ChildText(main, IDC_TITLE), "Firmware update");
    EXPECT_EQ(ChildText(main, IDC_DURATION), "Upgrading the firmware can hold more than 2 minutes");
    EXPECT_EQ(ChildText(main, IDC_QUESTION), kQuestion);
    EXPECT_EQ(ChildText(main, IDOK), "OK");
    EXPECT_EQ(ChildText(main, IDCANCEL), "Cancel");
    HWND write = GetDlgItem(main, IDOK);
    DoubleClick(write); // two presses, queued at once
    Wait(Screen::UpdateDialog, 10000);
    // What reaches the hidden main window while the update runs: a click, a command, Enter.
    PressButton(write);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(write));
    PostMessageA(write, WM_KEYDOWN, VK_RETURN, 1);
    Sleep(1000);
    EXPECT_EQ(CountScreens(m_program.ProcessId(), Screen::UpdateDialog), 1);
    HWND box = Wait(Screen::MessageBox, 60000);
    EXPECT_FALSE(MessageBoxHasIcon(box));
    EXPECT_EQ(MessageBoxButtons(box), std::vector<std::string>{"OK"});
    EXPECT_FALSE(IsWindowVisible(main)); // hidden while the outcome is shown
    EXPECT_EQ(Answer(box), kSucceeded);
    EXPECT_FALSE(Showing(Screen::MainWindow));
    EndsWith(0);
    EXPECT_EQ(Flash(), MakeFirmwareImage(kTarget));
    EXPECT_EQ(State().counters.erases, 1u);
    EXPECT_EQ(State().counters.opens, 5u); // opening check, write check, write, read-back, version after
    // The update said it had begun before its first erase, and how it ended after.
    EXPECT_EQ(Endings(), (std::vector<std::string>{"begun -", "updated 0"}));
    EXPECT_EQ(Field(0, "before"), kOlder);
    EXPECT_EQ(Field(0, "attempts"), "-");
    EXPECT_EQ(Field(1, "before"), kOlder);
    EXPECT_EQ(Field(1, "attempts"), "erase:ok,read:ok");
    EXPECT_EQ(Field(1, "after"), kTarget);
}

// Close, cancel and the session's end while the update runs end nothing; its failure brings the
// main window back for another try.
TEST_F(ProgramTest, FailedUpdateOutlastsCloseAndSessionEndAndBringsTheMainWindowBack) {
    HWND main = nullptr, update = StartFailingUpdate(&main);
    for (HWND window : {update, main}) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(window, WM_ENDSESSION, FALSE, 0);
    }
    Sleep(1000);
    EXPECT_TRUE(IsWindowVisible(update));
    // A session that really ends is held until the worker is done.
    PostMessageA(update, WM_ENDSESSION, TRUE, 0);
    ExpectFailureAfterThreeAttempts();
    EXPECT_NE(CodeVersion(), kTarget);
    main = Wait(Screen::MainWindow, 5000);
    EXPECT_TRUE(IsWindowVisible(main));

    ASSERT_EQ(Vcam("fault clear"), 0);
    PressButton(GetDlgItem(main, IDOK));
    ExpectSuccessAndEnd();
    EXPECT_EQ(Endings(), (std::vector<std::string>{"begun -", "update-failed 1", "begun -", "updated 0"}));
    // Nothing was written: each read-back finds the erased flash differing from its first byte.
    const std::string nothing = "erase:ok,read:ok,differs@0";
    EXPECT_EQ(Field(1, "attempts"), nothing + ";" + nothing + ";" + nothing);
    EXPECT_EQ(Field(1, "after"), "SN9C250 BOOT ROM 1.00");
}

TEST_F(ProgramTest, AboutBoxEndsEachWayEnterWritesUnlessTheFocusIsOnCancelAndEscapeCancels) {
    HWND main = PlugAndStart(kOlder);
    // System command 16 opens the about box; its OK button, Enter and Escape each end it.
    for (WPARAM key : {WPARAM{0}, WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
        PostMessageA(main, WM_SYSCOMMAND, 0x0013, 0);
        HWND about = Wait(Screen::MessageBox);
        EXPECT_EQ(WindowText(about), "About Tervolin");
        EXPECT_FALSE(IsWindowEnabled(main));
        key == 0 ? PressButton(GetDlgItem(about, IDOK)) : PressKey(about, GetDlgItem(about, IDOK), key);
        Sleep(500);
        EXPECT_FALSE(IsWindow(about)) << key;
        EXPECT_TRUE(IsWindowEnabled(main)) << key;
    }
    EXPECT_EQ(SendMessageA(main, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    PressKey(main, GetDlgItem(main, IDOK), VK_ESCAPE);
    EndsWith(2);

    main = StartToMainWindow();
    // Tab from the write button to Cancel, then Enter.
    PressKey(main, GetDlgItem(main, IDOK), VK_TAB);
    Sleep(300);
    EXPECT_EQ(Focus(main), GetDlgItem(main, IDCANCEL));
    PostMessageA(GetDlgItem(main, IDCANCEL), WM_KEYDOWN, VK_RETURN, 1);
    EndsWith(2);
    EXPECT_EQ(State().counters.erases, 0u);
    EXPECT_EQ(Endings(), (std::vector<std::string>{"cancelled 2", "cancelled 2"}));

    main = StartToMainWindow();
    PressKey(main, GetDlgItem(main, IDOK), VK_RETURN);
    ExpectSuccessAndEnd();
}

TEST_F(ProgramTest, QuitRequestDuringTheUpdateWaitsForItsOutcome) {
    HWND update = StartFailingUpdate();
    PostThreadMessageA(GetWindowThreadProcessId(update, nullptr), WM_QUIT, 0, 0);
    Sleep(1000);
    EXPECT_TRUE(IsWindowVisible(update));
    ExpectFailureAfterThreeAttempts();
    // The quit is honoured once the outcome is known: the main window does not wait again.
    EndsWith(1);
}

TEST_F(ProgramTest, UpdateDialogIgnoresKeysCloseAndASecondStartAndStepsItsBar) {
    HWND main = StartOverRealisticCamera(3000);
    auto startSecond = [] {
        CProgramRun second;
        DWORD exitCode = 1;
        return second.Start((Bin() / "Tervolin.exe").wstring(), "/force") &&
               second.WaitForExit(15000, &exitCode) && exitCode == 5;
    };
    const std::uint32_t calls = State().counters.calls;
    EXPECT_TRUE(startSecond());
    EXPECT_EQ(State().counters.calls, calls); // the camera was never touched
    EXPECT_TRUE(IsWindowVisible(main));

    PressButton(GetDlgItem(main, IDOK));
    HWND update = Wait(Screen::UpdateDialog, 10000);
    EXPECT_TRUE(startSecond());
    HWND bar = GetDlgItem(update, IDC_PROGRESS);

    HWND focus = GetDlgItem(update, IDC_PLEASE_WAIT);
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageA(update, WM_KEYDOWN, key, 0);
        PostMessageA(focus, WM_KEYDOWN, key, 0);
    }
    // WM_DRIVER_FAILED as only the worker's faulting thread may say it.
    for (auto [message, wParam] : {std::pair<UINT, WPARAM>{WM_SYSCOMMAND, SC_CLOSE},
                                   {WM_CLOSE, 0},
                                   {WM_COMMAND, IDCANCEL},
                                   {WM_COMMAND, IDOK},
                                   {WM_DRIVER_FAILED, 0}})
        PostMessageA(update, message, wParam, 0);
    Sleep(2600);
    EXPECT_TRUE(IsWindowVisible(update));
    EXPECT_FALSE(Showing(Screen::MessageBox));
    // A shutdown is asked to wait while the flash is being written.
    DWORD_PTR answer = 1;
    EXPECT_NE(SendMessageTimeoutA(update, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer), 0);
    EXPECT_EQ(answer, 0u);
    // Erasing: the bar creeps one step a second.
    const LRESULT erasing = SendMessageA(bar, PBM_GETPOS, 0, 0);
    EXPECT_GE(erasing, 1);
    EXPECT_LE(erasing, 9);

    // The stages as the worker posts them, at a quicker pace: each stops one short of its end.
    for (auto [from, to, wait] :
         {std::tuple<WPARAM, int, DWORD>{0, 10, 1000}, {10, 75, 2500}, {75, 100, 1500}}) {
        PostMessageA(update, WM_FLASH_PROGRESS, from, MAKELPARAM(to, 15));
        Sleep(wait);
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), to - 1) << to;
    }
    Shot(update);
}

TEST_F(ProgramTest, FrenchLanguageModuleSpeaksFrenchEverywhere) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kLanguageKey, "Language", REG_SZ, "fr", 3), ERROR_SUCCESS);
    HWND main = StartOverRealisticCamera(300); // the update dialog stays long enough to be read
    EXPECT_EQ(ChildText(main, IDC_TITLE), "Mise \xE0 jour du firmware");
    EXPECT_EQ(ChildText(main, IDC_QUESTION).substr(0, 20), "Voulez-vous vraiment");
    EXPECT_EQ(ChildText(main, IDCANCEL), "Annuler");
    PressButton(GetDlgItem(main, IDOK));
    HWND update = Wait(Screen::UpdateDialog, 10000);
    EXPECT_EQ(ChildText(update, IDC_UPDATE_TITLE), "Mise \xE0 jour du firmware");
    EXPECT_EQ(ChildText(update, IDC_WARNING).substr(0, 12), "Attention : ");
    EXPECT_EQ(ChildText(update, IDC_PLEASE_WAIT), "Veuillez patienter \x85");
    HWND box = Wait(Screen::MessageBox, 60000);
    EXPECT_EQ(WindowText(box), "Mise \xE0 jour du firmware");
    EXPECT_EQ(MessageBoxButtons(box), std::vector<std::string>{"OK"});
    EXPECT_EQ(Answer(box), "Mise \xE0 jour du firmware r\xE9ussie, vous pouvez d\xE9"
                           "brancher puis rebrancher votre webcam.");
    EXPECT_TRUE(Ends());
}

TEST_F(ProgramTest, CablePulledInAnyStageFailsTheUpdateAndAPressAfterPluggingRestores) {
    // /force: a pull during the read-back leaves the whole image, and the next try must still run.
    HWND main = StartOverRealisticCamera(500, "", "/force");
    const struct {
        const char* name;
        LRESULT position; // where the update dialog's bar stands once the stage has begun
        DWORD into;       // when to pull, in milliseconds into the stage: while its call runs
    } stages[] = {{"read-back", 75, 120}, {"erase", 0, 1000}, {"write", 10, 300}};
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.name);
        PressButton(GetDlgItem(main, IDOK));
        HWND update = Wait(Screen::UpdateDialog, 10000);
        HWND bar = GetDlgItem(update, IDC_PROGRESS);
        for (DWORD end = GetTickCount() + 60000; SendMessageA(bar, PBM_GETPOS, 0, 0) < stage.position;)
            ASSERT_LT(GetTickCount(), end);
        Sleep(stage.into);
        // The cable goes: what vcam unplug writes, at once.
        CameraSettings settings = LoadSettings(m_folder).value();
        settings.plugged = false;
        ASSERT_TRUE(SaveSettings(m_folder, settings));
        EXPECT_EQ(AnswerNext(60000), kFailed);
        EXPECT_FALSE(LoadSettings(m_folder).value().plugged); // never plugged back by the model
        main = Wait(Screen::MainWindow, 5000);
        ASSERT_EQ(Vcam("plug"), 0); // with the flash the pull left
        ASSERT_EQ(Vcam("set realistic-timings=1 time-percent=500"), 0);
    }
    ASSERT_EQ(Vcam("set realistic-timings=0"), 0);
    EXPECT_NE(Flash(), MakeFirmwareImage(kTarget)); // the write was cut short
    PressButton(GetDlgItem(main, IDOK));
    ExpectSuccessAndEnd();
}

TEST_F(ProgramTest, UpdatesCutOffAnywhereAreRestoredByTheNextRun) {
    // Erase, write and read-back ended at a seeded moment, then the camera's power cut after a
    // seeded step, whole and torn; each then run again.
    const CutOffTally tally = RunCutOffRecovery(Bin(), m_folder, 5, 20261207);
    for (const std::string& problem : tally.problems)
        ADD_FAILURE() << problem;
    EXPECT_EQ(tally.cutOffs, 5);
    EXPECT_EQ(tally.powerCuts, 2);
    EXPECT_EQ(tally.recovered, 5);
    EXPECT_EQ(tally.falseSuccesses, 0);
    // One of them left a camera that names the new firmware over a flash that is not all there.
    EXPECT_GE(tally.tornUnderNewName, 1);
    for (const std::string& cut : tally.cuts)
        std::printf("%s\n", cut.c_str());
    // Each program ended left its run's begun record last, and the next run said first that it
    // was interrupted, with that run's time. A power cut ended no program.
    const auto history = ReadHistory(m_local / "Tervolin");
    int interrupted = 0;
    for (std::size_t i = 1; i < history.size(); ++i) {
        if (history[i].at("ending") != "interrupted")
            continue;
        ++interrupted;
        EXPECT_EQ(history[i - 1].at("ending"), "begun");
        EXPECT_EQ(history[i - 1].at("time"), history[i].at("time"));
        EXPECT_EQ(history[i].count("noticed"), 1u);
    }
    EXPECT_EQ(interrupted, tally.cutOffs - tally.powerCuts);
}

// The fault is recorded and dumped beside the history (the newest five dumps kept); one during the
// checks ends the program at once, one on the flashing worker is told to the user first.
TEST_F(ProgramTest, DriverFaultsEndTheProgramWithSixAndTheNextRunRestoresTheCamera) {
    const struct {
        const char* fault;
        const char* call;
        bool duringUpdate;
        bool imageWhole;  // the fault came after the whole image was written
        bool sessionEnds; // instead of the user's answer, the session ends while the message shows
    } cases[] = {
        {"crash-open", "Initialize_DriverInterface", false, false, false},
        {"crash-version", "GetCodeVersion", false, false, false},
        {"crash-erase", "EraseSF", true, false, false},
        {"crash-write", "ReqToDriver", true, false, true},
        {"crash-read", "ReqToDriver", true, true, false},
        {"crash-open", "Initialize_DriverInterface", false, false, false},
    };
    const std::filesystem::path folder = m_local / "Tervolin";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Plug(kOlder);
        ASSERT_EQ(Vcam(std::string("fault ") + c.fault + " 1"), 0);
        Start();
        if (c.duringUpdate) {
            PressButton(GetDlgItem(Wait(Screen::MainWindow), IDOK));
            HWND box = Wait(Screen::MessageBox, 60000);
            EXPECT_TRUE(MessageBoxHasIcon(box));
            if (c.sessionEnds) {
                EXPECT_EQ(MessageBoxText(box), kDriverFailed);
                PostMessageA(WaitForScreen(m_program.ProcessId(), Screen::UpdateDialog, 1000), WM_ENDSESSION,
                             TRUE, 0);
            } else {
                EXPECT_EQ(Answer(box), kDriverFailed);
            }
        }
        EndsWith(6, kAfterFaultMs);
        EXPECT_FALSE(Showing(Screen::MessageBox));
        const std::vector<std::string> endings = Endings();
        ASSERT_GE(endings.size(), c.duringUpdate ? 2u : 1u);
        const std::size_t crashed = endings.size() - 1;
        EXPECT_EQ(endings.back(), "crashed 6");
        if (c.duringUpdate) {
            EXPECT_EQ(endings[crashed - 1], "begun -");
        }
        EXPECT_EQ(Field(crashed, "code"), "c0000005");
        EXPECT_EQ(Field(crashed, "at").rfind("RevezoDaRur.dll+0x", 0), 0u) << Field(crashed, "at");
        EXPECT_EQ(Field(crashed, "call"), c.call);
        EXPECT_TRUE(std::filesystem::exists(folder / Field(crashed, "dump"))) << Field(crashed, "dump");

        // The fault came on its operation's first call; the camera answers the next ones.
        Start();
        if (c.imageWhole) {
            EXPECT_EQ(AnswerNext(), kLatestNamed);
            EndsWith(0);
        } else {
            HWND main = Wait(Screen::MainWindow);
            EXPECT_EQ(ChildText(main, IDC_QUESTION), kQuestion);
            PressButton(GetDlgItem(main, IDOK));
            ExpectSuccessAndEnd();
        }
        EXPECT_EQ(Flash(), MakeFirmwareImage(kTarget));
        EXPECT_EQ(Endings().back().substr(Endings().back().size() - 2), " 0");
    }
    int dumps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        dumps += entry.path().extension() == ".dmp";
    EXPECT_EQ(dumps, 5);
}

TEST_F(ProgramTest, OutOfMemoryEndsWithAPlainMessageAndExitCodeThree) {
    ASSERT_TRUE(m_program.Start(std::filesystem::path(ModuleFolder()) / "out_of_memory_probe.exe", ""));
    HWND box = Wait(Screen::MessageBox);
    EXPECT_EQ(WindowText(box), "Out-of-memory probe");
    EXPECT_FALSE(IsSkinnedBox(box));
    const std::string text = Answer(box);
    EXPECT_NE(text.find("ran out of memory"), std::string::npos) << text;
    EndsWith(3);
}

TEST_F(ProgramTest, PlantedLibrariesAreIgnored) {
    // The program in a folder of its own, with look-alike system libraries beside it, started
    // from a current directory that holds look-alikes of its own libraries.
    const std::filesystem::path root = std::filesystem::path(ModuleFolder()) / "planted";
    const std::filesystem::path app = root / "app", current = root / "current", markers = root / "markers";
    std::filesystem::remove_all(root);
    for (const auto& folder : {current, markers})
        std::filesystem::create_directories(folder);
    CopyProgram(app, {"Tervolin.exe", "RevezoDaRur.dll", "ZARidezi.dll", "ravozev.dll"});
    const std::filesystem::path planted = std::filesystem::path(ModuleFolder()) / "planted_dll.dll";
    for (const char* name : {"gdiplus.dll", "comctl32.dll"})
        std::filesystem::copy_file(planted, app / name);
    for (const char* name : {"RevezoDaRur.dll", "ZARidezi.dll", "ravozev.dll", "gdiplus.dll", "comctl32.dll"})
        std::filesystem::copy_file(planted, current / name);
    _putenv_s("TERVOLIN_PLANTED", markers.string().c_str());

    // The markers work: a planted library that is loaded says so.
    HMODULE probe = LoadLibraryW((current / "RevezoDaRur.dll").c_str());
    ASSERT_NE(probe, nullptr);
    FreeLibrary(probe);
    EXPECT_TRUE(std::filesystem::exists(markers / "RevezoDaRur.dll.loaded"));
    std::filesystem::remove(markers / "RevezoDaRur.dll.loaded");

    Plug(kOlder);
    ASSERT_TRUE(m_program.Start((app / "Tervolin.exe").wstring(), "", current.wstring()));
    HWND main = Wait(Screen::MainWindow);
    EXPECT_EQ(ChildText(main, IDC_QUESTION), kQuestion);
    PressButton(GetDlgItem(main, IDCANCEL));
    EXPECT_TRUE(Ends());
    EXPECT_EQ(State().counters.opens, 1u); // the real driver library answered

    // Without its own driver library it finds no camera; it does not take the current directory's.
    // (Wine prefers its own system libraries whatever the program does: only ours can be caught.)
    std::filesystem::remove(app / "RevezoDaRur.dll");
    ASSERT_TRUE(m_program.Start((app / "Tervolin.exe").wstring(), "", current.wstring()));
    EXPECT_EQ(AnswerNext(), kNotPluggedIn);
    EXPECT_TRUE(Ends());

    EXPECT_TRUE(std::filesystem::is_empty(markers)) << std::filesystem::directory_iterator(markers)->path();
    _putenv_s("TERVOLIN_PLANTED", "");
}

// Without a message-box library that shows its box, the messages come in the platform's box. A
// driver library lacking one of the five functions is not used, although it would answer as a
// camera with the target firmware if it were called; the history says what it lacked.
TEST_F(ProgramTest, LibrariesMissingOrReplacedBesideTheProgram) {
    const struct {
        const char* library;
        const char* replacement; // null: none
        bool camera;
        const char* driver; // the history's word on the driver library
    } cases[] = {
        {"ZARidezi.dll", nullptr, false, "(none)"},
        {"ZARidezi.dll", "broken_message_box.dll", false, "(none)"},
        {"RevezoDaRur.dll", nullptr, true, "absent"},
        // One library the program binds nothing of; IdentificationTest refuses every other kind.
        {"RevezoDaRur.dll", "lookalike_mangled.dll", true, "missing:Initialize_DriverInterface"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replacement ? c.replacement : c.library);
        Plug(kOlder);
        if (!c.camera) {
            ASSERT_EQ(Vcam("unplug"), 0);
        }
        WriteLookAlikeFlash(kTarget);
        InstallDriver(c.library == std::string("RevezoDaRur.dll") ? c.replacement : "RevezoDaRur.dll");
        if (c.library == std::string("ZARidezi.dll")) {
            std::filesystem::remove(m_app / c.library);
            if (c.replacement)
                std::filesystem::copy_file(std::filesystem::path(ModuleFolder()) / c.replacement,
                                           m_app / c.library);
        }
        StartCopy();
        HWND box = Wait(Screen::MessageBox);
        EXPECT_EQ(IsSkinnedBox(box), c.camera); // where the message-box library is its own
        EXPECT_EQ(WindowText(box), "Firmware update");
        EXPECT_EQ(Answer(box), kNotPluggedIn);
        EndsWith(4);
        EXPECT_EQ(State().counters.calls, 0u);
        EXPECT_EQ(Field(Endings().size() - 1, "driver"), c.driver);
    }
}

// An update, the target already there, a read-back that always differs. On x86 a stdcall build
// takes its arguments off the stack itself, a cdecl one leaves them (IdentificationTest binds the
// decorated names, and win32.package_driver updates through each).
TEST_F(ProgramTest, DriverLibrariesOfEitherConventionEndAsTheVirtualCameraDoes) {
#ifdef _WIN64
    const char* const forms[] = {"RevezoDaRur.dll", "lookalike_cdecl.dll"};
#else
    const char* const forms[] = {"RevezoDaRur.dll", "lookalike_cdecl.dll", "lookalike_stdcall.dll"};
#endif
    const std::string differs = "erase:ok,read:ok,differs@65535";
    for (const char* form : forms) {
        SCOPED_TRACE(form);
        const bool virtualCamera = form == std::string("RevezoDaRur.dll");
        InstallDriver(form);
        // The camera in the device inventory, and the flash that the driver library keeps.
        auto plug = [&](const char* version) {
            Plug(version);
            WriteLookAlikeFlash(version);
        };
        auto flash = [&] { return virtualCamera ? Flash() : LookAlikeFlash(); };

        plug(kOlder);
        EXPECT_EQ(WriteWithCopy(), kSucceeded);
        EndsWith(0);
        EXPECT_EQ(flash(), MakeFirmwareImage(kTarget));

        StartCopy();
        EXPECT_EQ(AnswerNext(), kLatestNamed);
        EndsWith(0);

        plug(kOlder);
        if (virtualCamera) {
            ASSERT_EQ(Vcam("fault read-corrupt 3"), 0); // the last byte of each read inverted
        }
        _putenv_s("TERVOLIN_LOOKALIKE_MODE", "read-differs");
        EXPECT_EQ(WriteWithCopy(), kFailed);
        CancelMainWindow(1);
        _putenv_s("TERVOLIN_LOOKALIKE_MODE", "");
        EXPECT_EQ(Field(Endings().size() - 2, "attempts"), differs + ";" + differs + ";" + differs);
        EXPECT_EQ(Field(Endings().size() - 2, "after"), kTarget);
        EXPECT_EQ(flash(), MakeFirmwareImage(kTarget));
    }
    EXPECT_EQ(Endings().size(), std::size(forms) * 6);
}

// A library that fills all 52 bytes of the code version, with no zero byte, is read for its first
// 23; one that opens once and then never again is a camera that went away before the write.
TEST_F(ProgramTest, DriverLibrariesThatMisbehaveAreTakenAtTheirWord) {
    InstallDriver(kVendorLike);
    Plug(kOlder);
    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "version-fills-all");
    WriteLookAlikeFlash(kTarget);
    StartCopy();
    EXPECT_EQ(AnswerNext(), kLatestNamed);
    EndsWith(0);
    WriteLookAlikeFlash(kOlder);
    EXPECT_EQ(WriteWithCopy(), kSucceeded);
    EndsWith(0);
    EXPECT_EQ(LookAlikeFlash(), MakeFirmwareImage(kTarget));
    EXPECT_EQ(Field(2, "before"), kOlder);

    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "open-2-then-fail");
    WriteLookAlikeFlash(kOlder);
    EXPECT_EQ(WriteWithCopy(), kNotPluggedIn);
    CancelMainWindow(4);
    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "");
    EXPECT_EQ(LookAlikeFlash(), MakeFirmwareImage(kOlder));

    // Debug output and exceptions that the library handles itself are no fault of its.
    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "chatty");
    EXPECT_EQ(WriteWithCopy(), kSucceeded);
    EndsWith(0);

    // An exception of its own that leaves a call is.
    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "raise-in-erase");
    WriteLookAlikeFlash(kOlder);
    EXPECT_EQ(WriteWithCopy(), kDriverFailed);
    EndsWith(6);
    _putenv_s("TERVOLIN_LOOKALIKE_MODE", "");
    EXPECT_EQ(Endings(),
              (std::vector<std::string>{"already-latest 0", "begun -", "updated 0", "no-camera 4",
                                        "cancelled 4", "begun -", "updated 0", "begun -", "crashed 6"}));
    EXPECT_EQ(Field(8, "code"), "e0000001");
    EXPECT_EQ(Field(8, "call"), "EraseSF");
}
