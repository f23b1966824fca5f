// The fleet rehearsal.
#include "bench/Fleet.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/FirmwareVersion.h"
#include "core/UpdateHistory.h"
#include "libs/RevezoDaRur/CameraState.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tools/uidriver/UiDriver.h"
#include "tools/vcam/CameraDevice.h"

namespace {

enum class Start { Current, Older, Blank, Torn, Unplugged, Faults };
constexpr int kStarts = 6;
constexpr const char* kStartNames[kStarts] = {"current", "older", "blank", "torn", "unplugged", "faults"};

// What a deployment meets now and then on a camera that works: each fault strikes up to four first
// calls of its operation, which can outlast the program's three attempts, or 10 to 50% of them.
constexpr Fault kPassingFaults[] = {Fault::WriteNothing, Fault::ReadFlip, Fault::EraseInterrupt,
                                    Fault::ReadFail, Fault::OpenFail};

constexpr std::size_t kPage = 256, kSector = 4096;
constexpr int kDue = 10;                     // /check: an update is due
constexpr int kNotEnded = -1;                // a run that did not end in time, ended from here
constexpr int kCodes[] = {0, 1, 3, 4, 5, 6}; // the exit codes the table has a column for
constexpr DWORD kCheckTimeout = 20000, kQuietTimeout = 60000;
// The whole rehearsal takes about a second a computer; a program that hangs is not let run longer.
constexpr std::chrono::minutes kTimeAllowed{5};

struct Computer {
    Start start;
    FlashImage flash;
    std::string description;
    CameraSettings settings;
};

struct Tally {
    int computers = 0;
    std::map<int, int> endings; // by the exit code of each computer's last run
    int holdTarget = 0;
    int falseSuccesses = 0;
    int retried = 0;
};

// What a cut-off update leaves: the target's first pages over a flash erased whole or in part.
FlashImage Torn(const FlashImage& older, const FlashImage& target, std::mt19937& random,
                std::string& description) {
    const std::size_t imagePages = (kFirmwareDataEnd + kPage - 1) / kPage;
    const std::size_t pages = std::uniform_int_distribution<std::size_t>(1, imagePages - 1)(random);
    const std::size_t sectors = std::uniform_int_distribution<std::size_t>(
        (pages * kPage + kSector - 1) / kSector, kFlashSize / kSector)(random);
    FlashImage flash = older;
    std::fill(flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(sectors * kSector), 0xFF);
    std::copy(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(pages * kPage), flash.begin());
    description = std::to_string(pages) + " of " + std::to_string(imagePages) + " pages of the target over " +
                  std::to_string(sectors) + " of " + std::to_string(kFlashSize / kSector) + " sectors erased";
    return flash;
}

Computer MakeComputer(Start start, std::mt19937& random, const FlashImage& older, const FlashImage& target) {
    auto below = [&random](std::uint32_t n) {
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(random);
    };
    Computer computer{start, {}, {}, {}};
    computer.settings.realisticTimings = true;
    // A camera with faults starts from any of the firmware states.
    const Start firmware = start == Start::Faults ? static_cast<Start>(below(4)) : start;
    switch (firmware) {
    case Start::Current:
        computer.flash = target;
        computer.description = "target firmware";
        break;
    case Start::Blank:
        computer.flash = FlashImage(kFlashSize, 0xFF);
        computer.description = "erased";
        break;
    case Start::Torn:
        computer.flash = Torn(older, target, random, computer.description);
        break;
    default:
        computer.flash = older;
        computer.description = "older firmware";
        break;
    }
    if (start == Start::Faults) {
        const Fault fault = kPassingFaults[below(std::size(kPassingFaults))];
        FaultRule& rule = computer.settings.Rule(fault);
        std::string when;
        if (below(2) == 0) {
            rule.firstCalls = 1 + below(4);
            when = rule.firstCalls == 1 ? "its first call"
                                        : "its first " + std::to_string(rule.firstCalls) + " calls";
        } else {
            rule.perMillion = (1 + below(5)) * 100000;
            when = std::to_string(rule.perMillion / 10000) + "% of calls";
        }
        computer.settings.seed = random();
        computer.description += ", " + std::string(FaultName(fault)) + " on " + when;
    }
    return computer;
}

// Plugs the computer's camera in as `computer` starts, with realistic timings, or leaves it
// unplugged: what `vcam plug` and `vcam unplug` do, without a process and a report for each.
bool SetUp(const std::filesystem::path& camera, const Computer& computer) {
    if (!VirtualCamera::Plug(camera, computer.flash, computer.settings))
        return false;
    if (computer.start != Start::Unplugged)
        return RegisterCameraDevice(CameraHardwareIds());
    CameraSettings settings = LoadSettings(camera).value_or(computer.settings);
    settings.plugged = false;
    return SaveSettings(camera, settings) && RemoveCameraDevice();
}

struct ProgramEnd {
    int exitCode;
    double seconds;
};

// Runs Tervolin.exe with one switch to its end, or ends it after `timeout` milliseconds.
ProgramEnd RunProgram(const std::filesystem::path& bin, const char* option, DWORD timeout) {
    const auto start = std::chrono::steady_clock::now();
    CProgramRun program;
    DWORD exitCode = 0;
    const bool ended =
        program.Start((bin / "Tervolin.exe").wstring(), option) && program.WaitForExit(timeout, &exitCode);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return {ended ? static_cast<int>(exitCode) : kNotEnded, seconds.count()};
}

std::uint64_t DeviceMicros(const std::filesystem::path& camera) {
    return LoadCounters(camera).value_or(CameraCounters{}).deviceMicros;
}

void PrintRow(const char* name, const Tally& tally) {
    int other = tally.computers;
    std::printf("%-10s %9d", name, tally.computers);
    for (int code : kCodes) {
        const auto found = tally.endings.find(code);
        const int count = found == tally.endings.end() ? 0 : found->second;
        other -= count;
        std::printf(" %6d", count);
    }
    std::printf(" %6d %12d %16d %8d\n", other, tally.holdTarget, tally.falseSuccesses, tally.retried);
}

} // namespace

int RunFleet(const std::filesystem::path& bin, const std::filesystem::path& folder, int computers,
             std::uint32_t seed) {
    std::mt19937 random(seed);
    const FlashImage target = MakeFirmwareImage(TargetFirmwareFor(false).codeVersion);
    const FlashImage older = MakeFirmwareImage(kOlder);
    std::vector<Start> starts;
    for (int i = 0; i < computers; ++i)
        starts.push_back(static_cast<Start>(i % kStarts));
    std::shuffle(starts.begin(), starts.end(), random);

    std::array<Tally, kStarts> tallies{};
    std::vector<std::string> problems;
    int quietRuns = 0;
    double quietSeconds = 0;
    std::uint64_t deviceMicros = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < computers; ++i) {
        if (std::chrono::steady_clock::now() - start > kTimeAllowed) {
            problems.push_back("time was up after " + std::to_string(i) + " computers");
            break;
        }
        const std::string name = "pc" + std::to_string(i + 1);
        const std::filesystem::path home = folder / name, camera = home / "camera", local = home / "local";
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
        std::filesystem::create_directories(camera);
        std::filesystem::create_directories(local);
        SetEnvironmentVariableW(L"TERVOLIN_VCAM", camera.wstring().c_str());
        SetEnvironmentVariableW(L"LOCALAPPDATA", local.wstring().c_str());
        const Computer computer = MakeComputer(starts[i], random, older, target);
        if (!SetUp(camera, computer))
            problems.push_back(name + ": the camera could not be set up");
        Tally& tally = tallies[static_cast<int>(computer.start)];
        ++tally.computers;

        // As a deployment tool does it: check, update when due, and once more when the update
        // failed or another copy was running.
        std::string runs;
        int ending = kNotEnded;
        for (int pass = 0; pass < 2; ++pass) {
            const CameraCounters before = LoadCounters(camera).value_or(CameraCounters{});
            const ProgramEnd check = RunProgram(bin, "/check", kCheckTimeout);
            const CameraCounters after = LoadCounters(camera).value_or(CameraCounters{});
            runs += std::string(runs.empty() ? "" : ", ") + "check " + std::to_string(check.exitCode);
            if (after.erases != before.erases || after.writes != before.writes)
                problems.push_back(name + ": /check erased or wrote the flash");
            tally.falseSuccesses += check.exitCode == 0 && LoadFlash(camera) != target;
            ending = check.exitCode;
            if (check.exitCode != kDue)
                break;
            const ProgramEnd quiet = RunProgram(bin, "/quiet", kQuietTimeout);
            runs += ", quiet " + std::to_string(quiet.exitCode);
            ++quietRuns;
            quietSeconds += quiet.seconds;
            const std::uint64_t spent = DeviceMicros(camera);
            deviceMicros += spent - std::min(spent, after.deviceMicros);
            tally.falseSuccesses += quiet.exitCode == 0 && LoadFlash(camera) != target;
            ending = quiet.exitCode;
            if ((quiet.exitCode != 1 && quiet.exitCode != 5) || pass == 1)
                break;
            ++tally.retried;
        }
        ++tally.endings[ending];
        const bool holds = LoadFlash(camera) == target;
        tally.holdTarget += holds;
        if (ending == kNotEnded)
            problems.push_back(name + ": a run did not end in time");
        const auto records = ReadHistory(local / "Tervolin");
        if (std::any_of(records.begin(), records.end(), [](const std::map<std::string, std::string>& record) {
                const auto mode = record.find("mode");
                return mode == record.end() || mode->second != "quiet";
            }))
            problems.push_back(name + ": a history record without mode=quiet");
        std::printf("%s %s (%s): %s; %s; %zu history record%s\n", name.c_str(),
                    kStartNames[static_cast<int>(computer.start)], computer.description.c_str(), runs.c_str(),
                    holds ? "holds the target" : "does not hold the target", records.size(),
                    records.size() == 1 ? "" : "s");
        std::fflush(stdout);
    }

    Tally all;
    std::printf("\n%-10s %9s %6s %6s %6s %6s %6s %6s %6s %12s %16s %8s\n", "start", "computers", "exit 0",
                "1", "3", "4", "5", "6", "other", "hold target", "false successes", "retried");
    for (int s = 0; s < kStarts; ++s) {
        PrintRow(kStartNames[s], tallies[s]);
        all.computers += tallies[s].computers;
        for (const auto& [code, count] : tallies[s].endings)
            all.endings[code] += count;
        all.holdTarget += tallies[s].holdTarget;
        all.falseSuccesses += tallies[s].falseSuccesses;
        all.retried += tallies[s].retried;
    }
    PrintRow("all", all);
    for (const std::string& problem : problems)
        std::printf("problem: %s\n", problem.c_str());
    const double deviceSeconds = static_cast<double>(deviceMicros) / 1e6;
    std::printf("fleet: %d computers, %d hold the target, %d false successes, %d /quiet runs in %.1f s "
                "against %.1f s of device time, ratio %.2f, %zu problems\n",
                all.computers, all.holdTarget, all.falseSuccesses, quietRuns, quietSeconds, deviceSeconds,
                deviceSeconds > 0 ? quietSeconds / deviceSeconds : 0.0, problems.size());
    return all.falseSuccesses == 0 && problems.empty() ? 0 : 1;
}
