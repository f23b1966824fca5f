// The black-box tests' fixture: Tervolin.exe over a virtual camera set up with vcam, its windows
// read and pressed through the uidriver, the camera and the update history checked.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "core/UpdateHistory.h"
#include "framework/Module.h"
#include "libs/RevezoDaRur/CameraState.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "res/resource.h"
#include "tools/uidriver/CutOffRecovery.h"
#include "tools/uidriver/UiDriver.h"

inline constexpr char kLanguageKey[] = "SOFTWARE\\Quellmar\\Webcam";
inline constexpr char kFailed[] = "Firmware update could not be completed";
inline constexpr char kNotPluggedIn[] = "The camera is not plugged in";
// What the opening check says over a camera that has the default target.
inline const std::string kLatestNamed = std::string(kAlreadyLatest) + "\n\nQuellmar Vistrel Solentra V2.0.7";
inline constexpr char kDriverFailed[] =
    "The camera's driver failed during the update. Unplug the webcam, plug it in "
    "again and run the update once more.";
// The look-alike nearest to what the camera's maker ships for x86: stdcall, plain names.
#ifdef _WIN64
inline constexpr char kVendorLike[] = "lookalike_cdecl.dll";
#else
inline constexpr char kVendorLike[] = "lookalike_stdcall.dll";
#endif

inline std::filesystem::path Bin() {
    return std::filesystem::path(ModuleFolder()) / ".." / "bin";
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The camera's folder, and LOCALAPPDATA, under which the program keeps its history.
        std::error_code ignored; // a program that a failed test left behind may hold them still
        for (auto [folder, variable] :
             {std::pair(&m_folder, "TERVOLIN_VCAM"), std::pair(&m_local, "LOCALAPPDATA"),
              std::pair(&m_lookalike, "TERVOLIN_LOOKALIKE")}) {
            std::filesystem::remove_all(*folder, ignored);
            std::filesystem::create_directories(*folder);
            _putenv_s(variable, folder->string().c_str());
        }
        std::filesystem::create_directories(m_screens);
        RegDeleteKeyA(HKEY_CURRENT_USER, kLanguageKey);
    }
    void TearDown() override {
        Vcam("unplug");
        RegDeleteKeyA(HKEY_CURRENT_USER, kLanguageKey);
    }

    int Vcam(const std::string& arguments) { return RunVcam(Bin(), arguments); }
    void Plug(const char* version, const std::string& extra = "") {
        ASSERT_EQ(Vcam(std::string("plug --version \"") + version + "\" " + extra), 0);
    }
    void Start(const std::string& switches = "") {
        ASSERT_TRUE(m_program.Start((Bin() / "Tervolin.exe").wstring(), switches));
    }
    HWND StartToMainWindow(const std::string& switches = "") {
        Start(switches);
        return Wait(Screen::MainWindow);
    }
    HWND PlugAndStart(const char* version, const std::string& switches = "") {
        Plug(version);
        return StartToMainWindow(switches);
    }
    // A camera with realistic timings stretched to `percent`: at 300 an update takes a few
    // seconds, at 3000 an erase about 25 seconds.
    void PlugRealistic(int percent, const std::string& fault = "") {
        Plug(kOlder, "--realistic");
        EXPECT_EQ(Vcam("set time-percent=" + std::to_string(percent)), 0);
        if (!fault.empty()) {
            EXPECT_EQ(Vcam("fault " + fault), 0);
        }
    }
    HWND StartOverRealisticCamera(int percent, const std::string& fault = "",
                                  const std::string& switches = "") {
        PlugRealistic(percent, fault);
        return StartToMainWindow(switches);
    }
    // The screen once it shows, kept as a picture; a failure when it does not come.
    HWND Wait(Screen screen, DWORD milliseconds = 15000) {
        HWND window = WaitForScreen(m_program.ProcessId(), screen, milliseconds);
        EXPECT_NE(window, nullptr) << "no screen " << static_cast<int>(screen);
        if (window != nullptr)
            Shot(window);
        return window;
    }
    bool Showing(Screen screen) { return IsShowing(m_program.ProcessId(), screen); }
    void Shot(HWND window) {
        Sleep(300);
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        SaveScreenshot(window, (m_screens / (test + "-" + std::to_string(++m_shots) + ".png")).wstring());
    }
    // Answers a message box and returns its text.
    std::string Answer(HWND box) {
        const std::string text = MessageBoxText(box);
        PressButton(GetDlgItem(box, IDOK));
        Sleep(300);
        return text;
    }
    // Answers the next message box and returns its text.
    std::string AnswerNext(DWORD milliseconds = 15000) {
        return Answer(Wait(Screen::MessageBox, milliseconds));
    }
    bool Ends(DWORD* exitCode = nullptr, DWORD milliseconds = 15000) {
        return m_program.WaitForExit(milliseconds, exitCode);
    }
    // Ends, with this exit code.
    void EndsWith(DWORD expected, DWORD milliseconds = 15000) {
        DWORD exitCode = 99;
        EXPECT_TRUE(Ends(&exitCode, milliseconds));
        EXPECT_EQ(exitCode, expected);
    }
    // After a driver's fault the program writes its record and dump before it ends, and gives them
    // 30 s; Wine's minidump writer alone takes 8 s for the x64 program on a quiet machine.
    static constexpr DWORD kAfterFaultMs = 60000;
    // The update's outcome must be success: the program ends with 0, the camera holds the image.
    void ExpectSuccessAndEnd() {
        EXPECT_EQ(AnswerNext(60000), kSucceeded);
        EndsWith(0);
        EXPECT_EQ(Flash(), MakeFirmwareImage(kTarget));
    }
    // The endings and exit codes the history holds, in order: "updated 0", ...
    std::vector<std::string> Endings() const {
        std::vector<std::string> endings;
        for (const auto& record : ReadHistory(m_local / "Tervolin"))
            endings.push_back(record.at("ending") + " " + record.at("exit"));
        return endings;
    }
    // A field of the history's record `index`; "(none)" when the history has no such thing.
    std::string Field(std::size_t index, const char* key) const {
        const auto history = ReadHistory(m_local / "Tervolin");
        return index < history.size() && history[index].count(key) ? history[index].at(key) : "(none)";
    }
    static HWND Focus(HWND window) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
    }
    // Presses write over a camera slow enough to watch, with nothing ever written, so every
    // attempt fails; returns the update dialog.
    HWND StartFailingUpdate(HWND* main = nullptr) {
        HWND window = StartOverRealisticCamera(300, "write-nothing 3");
        if (main != nullptr)
            *main = window;
        PressButton(GetDlgItem(window, IDOK));
        return Wait(Screen::UpdateDialog, 10000);
    }
    // Answers the outcome of such an update, which must come after all three attempts.
    void ExpectFailureAfterThreeAttempts() {
        EXPECT_EQ(AnswerNext(60000), kFailed);
        EXPECT_EQ(State().counters.erases, 3u);
    }
    // The program's folder copied to `app`, made afresh: the given files and the language modules.
    static void CopyProgram(const std::filesystem::path& app, std::initializer_list<const char*> files) {
        std::filesystem::remove_all(app);
        std::filesystem::create_directories(app / "lang");
        for (const char* file : files)
            std::filesystem::copy_file(Bin() / file, app / file);
        for (const auto& entry : std::filesystem::directory_iterator(Bin() / "lang"))
            std::filesystem::copy_file(entry.path(), app / "lang" / entry.path().filename());
    }
    // The program copied to m_app with `driver` (from the tests' folder; null: none) as its driver.
    void InstallDriver(const char* driver) {
        CopyProgram(m_app, {"Tervolin.exe", "ZARidezi.dll", "ravozev.dll"});
        if (driver == nullptr)
            return;
        const bool ours = std::string(driver) == "RevezoDaRur.dll";
        std::filesystem::copy_file((ours ? Bin() : std::filesystem::path(ModuleFolder())) / driver,
                                   m_app / "RevezoDaRur.dll");
    }
    void StartCopy() { ASSERT_TRUE(m_program.Start((m_app / "Tervolin.exe").wstring(), "")); }
    // Cancels the main window that came back after a message; the program ends with `exitCode`.
    void CancelMainWindow(DWORD exitCode) {
        PressButton(GetDlgItem(Wait(Screen::MainWindow, 5000), IDCANCEL));
        EndsWith(exitCode);
    }
    // Starts the copy, presses its write button and answers what it says then.
    std::string WriteWithCopy() {
        StartCopy();
        PressButton(GetDlgItem(Wait(Screen::MainWindow), IDOK));
        return AnswerNext(60000);
    }
    // The flash that the look-alike driver libraries keep.
    void WriteLookAlikeFlash(const char* version) {
        std::filesystem::remove(m_lookalike / "opened");
        ASSERT_TRUE(SaveFlash(m_lookalike, MakeFirmwareImage(version)));
    }
    FlashImage LookAlikeFlash() const { return LoadFlash(m_lookalike).value_or(FlashImage{}); }
    CameraState State() const { return LoadState(m_folder).value_or(CameraState{}); }
    FlashImage Flash() const { return LoadFlash(m_folder).value_or(FlashImage{}); }
    std::string CodeVersion() const { return ReportedCodeVersion(Flash()); }

    const std::filesystem::path m_folder = std::filesystem::path(ModuleFolder()) / "vcam-ui";
    const std::filesystem::path m_local = std::filesystem::path(ModuleFolder()) / "local-ui";
    const std::filesystem::path m_screens = std::filesystem::path(ModuleFolder()) / "screens" / "ui";
    const std::filesystem::path m_lookalike = std::filesystem::path(ModuleFolder()) / "lookalike-ui";
    const std::filesystem::path m_app = std::filesystem::path(ModuleFolder()) / "program-copy";
    CProgramRun m_program;
    int m_shots = 0;
};
