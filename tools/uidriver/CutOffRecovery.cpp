// Cut-off and recovery rounds.
#include "tools/uidriver/CutOffRecovery.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>

#include "core/FirmwareVersion.h"
#include "libs/RevezoDaRur/CameraState.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "res/resource.h"
#include "tools/uidriver/UiDriver.h"

namespace {

// The stages as the update dialog's bar shows them, and how long each lasts on the slowed camera.
struct Stage {
    const char* name;
    int firstPosition; // the bar's position once the stage has begun
    DWORD longest;     // milliseconds into the stage at which the cut may fall
};
constexpr Stage kStages[] = {{"erase", 0, 2300}, {"write", 10, 600}, {"read-back", 75, 150}};
constexpr int kTimePercent = 300;
// The device steps the program takes before its update (the opening check and the write check each
// open the camera and read its version), and those of the update's first attempt: an open, 16
// sectors erased, 139 pages programmed, an open, 16 transfers read.
constexpr std::uint32_t kCheckSteps = 4;
constexpr std::uint32_t kAttemptSteps = 1 + 16 + 139 + 1 + 16;

LRESULT BarPosition(HWND update) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(update, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000,
                        &position);
    return static_cast<LRESULT>(position);
}

// What a cut-off left in the flash, in sectors erased and pages of the image written.
std::string Describe(const FlashImage& flash, const FlashImage& older, const FlashImage& image) {
    if (flash == older)
        return "old firmware intact";
    if (flash == image)
        return "image complete";
    int erased = 0;
    for (std::size_t sector = 0; sector < kFlashSize; sector += 4096)
        erased += std::all_of(flash.begin() + sector, flash.begin() + sector + 4096,
                              [](std::uint8_t byte) { return byte == 0xFF; });
    int written = 0;
    for (std::size_t page = 0; page < kFirmwareDataEnd; page += 256)
        written += std::equal(flash.begin() + page, flash.begin() + page + 256, image.begin() + page);
    return std::to_string(erased) + " of 16 sectors erased, " + std::to_string(written) +
           " of 139 pages written";
}

// Starts Tervolin.exe in `bin` and presses write in its main window; false when none came.
bool StartAndWrite(CProgramRun& program, const std::filesystem::path& bin) {
    HWND main = program.Start((bin / "Tervolin.exe").wstring(), "")
                    ? WaitForScreen(program.ProcessId(), Screen::MainWindow)
                    : nullptr;
    PressButton(GetDlgItem(main, IDOK));
    return main != nullptr;
}

// Starts an update and ends the program `delay` into `stage`, once the bar says it has begun.
// False when there was no update to cut off.
bool KillDuring(const std::filesystem::path& bin, const Stage& stage, DWORD delay) {
    CProgramRun program;
    HWND update = StartAndWrite(program, bin)
                      ? WaitForScreen(program.ProcessId(), Screen::UpdateDialog, 10000)
                      : nullptr;
    if (update == nullptr)
        return false;
    for (const DWORD end = GetTickCount() + 60000; BarPosition(update) < stage.firstPosition; Sleep(2)) {
        if (GetTickCount() > end || !program.IsRunning())
            return false;
    }
    Sleep(delay);
    program.Stop();
    return true;
}

// Starts an update over a camera that loses its power on the way: the program must report the
// failure and come back to its main window, which the user then closes. False when there was no
// update to cut off.
bool RunToPowerCut(const std::filesystem::path& bin, CutOffTally& tally, const std::string& round) {
    CProgramRun program;
    HWND box =
        StartAndWrite(program, bin) ? WaitForScreen(program.ProcessId(), Screen::MessageBox, 60000) : nullptr;
    if (box == nullptr)
        return false;
    const std::string text = MessageBoxText(box);
    PressButton(GetDlgItem(box, IDOK));
    if (text == kSucceeded)
        tally.problems.push_back(round + ": the update whose camera lost its power said it succeeded");
    HWND main = WaitForScreen(program.ProcessId(), Screen::MainWindow, 10000);
    if (main == nullptr) {
        tally.problems.push_back(round + ": the main window did not come back after \"" + text + "\"");
        return true;
    }
    PressButton(GetDlgItem(main, IDCANCEL));
    if (!program.WaitForExit(15000))
        tally.problems.push_back(round + ": the program did not end when closed");
    return true;
}

// One run of the program at full speed, answered as a user would; adds its verdict to `tally`.
void Recover(const std::filesystem::path& bin, const std::filesystem::path& camera, const FlashImage& image,
             CutOffTally& tally, const std::string& round) {
    CProgramRun program;
    if (!program.Start((bin / "Tervolin.exe").wstring(), "")) {
        tally.problems.push_back(round + ": the program did not start again");
        return;
    }
    const DWORD pid = program.ProcessId();
    HWND main = nullptr;
    HWND box = nullptr;
    for (const DWORD end = GetTickCount() + 20000; !main && !box && GetTickCount() < end; Sleep(20)) {
        main = WaitForScreen(pid, Screen::MainWindow, 0);
        box = main ? nullptr : WaitForScreen(pid, Screen::MessageBox, 0);
    }
    if (main != nullptr) {
        if (ChildText(main, IDC_QUESTION) != kQuestion)
            tally.problems.push_back(round + ": the main window asks \"" + ChildText(main, IDC_QUESTION) +
                                     "\"");
        PressButton(GetDlgItem(main, IDOK));
        box = WaitForScreen(pid, Screen::MessageBox, 60000);
    }
    if (box == nullptr) {
        tally.problems.push_back(round + ": the program showed neither its question nor a message");
        return;
    }
    const std::string text = MessageBoxText(box);
    PressButton(GetDlgItem(box, IDOK));
    const bool sound = LoadFlash(camera) == image;
    const bool saysFine = text == kSucceeded || (main == nullptr && text.rfind(kAlreadyLatest, 0) == 0);
    if (saysFine && sound)
        ++tally.recovered;
    else if (saysFine)
        ++tally.falseSuccesses;
    else
        tally.problems.push_back(round + ": the program said \"" + text + "\"");
    if (!program.WaitForExit(15000))
        tally.problems.push_back(round + ": the program did not end after its message");
}

} // namespace

CutOffTally RunCutOffRecovery(const std::filesystem::path& bin, const std::filesystem::path& camera,
                              int rounds, std::uint32_t seed) {
    std::mt19937 random(seed);
    const FlashImage image = MakeFirmwareImage(TargetFirmwareFor(false).codeVersion);
    const FlashImage older = MakeFirmwareImage(kOlder);
    CutOffTally tally;
    for (int i = 0; i < rounds; ++i) {
        std::string round = "round " + std::to_string(i + 1);
        bool cut = false;
        const bool powerCut = i % 5 >= 3;
        if (!powerCut) {
            const Stage& stage = kStages[i % 5];
            const DWORD delay = std::uniform_int_distribution<DWORD>(0, stage.longest)(random);
            round += std::string(" (") + stage.name + ", " + std::to_string(delay) + " ms in)";
            RunVcam(bin, std::string("plug --version \"") + kOlder + "\" --realistic");
            RunVcam(bin, "set time-percent=" + std::to_string(kTimePercent));
            cut = KillDuring(bin, stage, delay);
        } else {
            const bool torn = i % 5 == 4;
            const std::uint32_t step = std::uniform_int_distribution<std::uint32_t>(1, kAttemptSteps)(random);
            round += " (power cut after step " + std::to_string(step) + " of the update" +
                     (torn ? ", torn" : "") + ")";
            RunVcam(bin, std::string("plug --version \"") + kOlder + "\"");
            RunVcam(bin, "set cut-after-steps=" + std::to_string(kCheckSteps + step) +
                             (torn ? " cut-torn=1" : ""));
            cut = RunToPowerCut(bin, tally, round);
        }
        if (!cut) {
            tally.problems.push_back(round + ": no update to cut off");
            continue;
        }
        ++tally.cutOffs;
        tally.powerCuts += powerCut;
        const FlashImage left = LoadFlash(camera).value_or(FlashImage{});
        tally.cuts.push_back(round + ": " + Describe(left, older, image));
        tally.tornUnderNewName +=
            left != image && ReportedCodeVersion(left) == TargetFirmwareFor(false).codeVersion;
        // The power back: plugged in again with the flash it kept.
        RunVcam(bin, powerCut ? "plug" : "set realistic-timings=0");
        Recover(bin, camera, image, tally, round);
    }
    return tally;
}
