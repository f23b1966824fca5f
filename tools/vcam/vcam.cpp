// vcam: plugs the virtual SN9C250 camera in and out, sets its faults and timings, shows its state,
// and tells what the updater would find. The camera lives in the folder named by TERVOLIN_VCAM.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/DriverLibrary.h"
#include "app/SetupApiInventory.h"
#include "core/FirmwareVersion.h"
#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/GeneratedImages.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "res/resource.h"
#include "tools/vcam/CameraDevice.h"

namespace {

constexpr char kUsage[] =
    "usage: vcam COMMAND [ARGUMENTS]\n"
    "\n"
    "  plug [--version TEXT | --firmware FILE | --blank] [--hardware-id ID]... [--realistic]\n"
    "        plug the camera in; without a firmware option it keeps the flash it had, or starts\n"
    "        with firmware \"SN9C250 0. 0. 5.11SBFgE\". Faults and counters start clear.\n"
    "  unplug\n"
    "        unplug the camera; its flash stays for the next plug\n"
    "  status\n"
    "        code version, which image the flash holds, call counts, faults\n"
    "  fault NAME N | fault NAME P% | fault clear\n"
    "        make NAME happen on the next N calls of its operation, or on each with chance P%.\n"
    "        NAME: open-fail erase-fail erase-interrupt write-fail write-nothing write-partial\n"
    "              read-fail read-short read-flip read-corrupt stuck-bits\n"
    "              crash-open crash-version crash-erase crash-write crash-read\n"
    "  set KEY=VALUE...\n"
    "        change settings: seed, unplug-after-calls, corrupt-offset, stuck-offset, stuck-mask,\n"
    "        partial-bytes, realistic-timings (0 or 1), time-percent (stretches the timings),\n"
    "        cut-after-steps (the power is lost after that many more device steps: opens, version\n"
    "        reads, sectors erased, pages programmed, transfers read; 0: never), cut-torn (1: that\n"
    "        last step is left half done). Plugging in again brings the camera back\n"
    "  identify [SWITCHES]...\n"
    "        what the updater finds: camera present, code version, and its opening decision\n"
    "  history [N]\n"
    "        the updater's last N records (10 unless given) from %LOCALAPPDATA%\\Tervolin\\history.log\n"
    "\n"
    "The camera's folder: TERVOLIN_VCAM, else a folder of the current user's.\n";

int Fail(const char* message) {
    std::fprintf(stderr, "vcam: %s\n", message);
    return 1;
}

bool ReadFirmwareFile(const char* path, FlashImage& flash) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    FlashImage data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() > kFlashSize)
        return false;
    data.resize(kFlashSize, 0xFF);
    flash = std::move(data);
    return true;
}

std::string DescribeFlash(const FlashImage& flash) {
    for (bool old : {false, true}) {
        const TargetFirmware target = TargetFirmwareFor(old);
        if (flash == MakeFirmwareImage(target.codeVersion))
            return "image " + std::to_string(target.imageResourceId) + " (" +
                   GetFirmwareName(target.codeVersion) + ")";
    }
    if (std::all_of(flash.begin(), flash.end(), [](std::uint8_t byte) { return byte == 0xFF; }))
        return "erased";
    const std::string name = GetFirmwareName(ReportedCodeVersion(flash).c_str());
    return "other firmware (" + (name.empty() ? std::string("no known name") : name) + ")";
}

int Plug(const std::filesystem::path& folder, int argc, char** argv) {
    std::optional<FlashImage> flash = LoadFlash(folder);
    std::vector<std::string> hardwareIds;
    CameraSettings settings;
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--version" && hasValue)
            flash = MakeFirmwareImage(argv[++i]);
        else if (option == "--firmware" && hasValue) {
            flash.emplace();
            if (!ReadFirmwareFile(argv[++i], *flash))
                return Fail("the firmware file cannot be read or is larger than 65536 bytes");
        } else if (option == "--blank")
            flash = FlashImage(kFlashSize, 0xFF);
        else if (option == "--hardware-id" && hasValue)
            hardwareIds.push_back(argv[++i]);
        else if (option == "--realistic")
            settings.realisticTimings = true;
        else
            return Fail("unknown plug option; see vcam --help");
    }
    if (!flash)
        flash = MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgE");
    if (hardwareIds.empty())
        hardwareIds = CameraHardwareIds();
    if (!VirtualCamera::Plug(folder, *flash, settings))
        return Fail("cannot write the camera's folder");
    if (!RegisterCameraDevice(hardwareIds))
        return Fail("cannot register the camera's device");
    std::printf("plugged in: %s, %s\n", ReportedCodeVersion(*flash).c_str(), DescribeFlash(*flash).c_str());
    return 0;
}

int Unplug(const std::filesystem::path& folder) {
    if (std::optional<CameraSettings> settings = LoadSettings(folder)) {
        settings->plugged = false;
        if (!SaveSettings(folder, *settings))
            return Fail("cannot write the camera's folder");
    }
    if (!RemoveCameraDevice())
        return Fail("cannot remove the camera's device");
    std::printf("unplugged\n");
    return 0;
}

int Status(const std::filesystem::path& folder) {
    const std::optional<CameraState> state = LoadState(folder);
    const std::optional<FlashImage> flash = LoadFlash(folder);
    if (!state || !flash) {
        std::printf("no camera in %s\n", folder.string().c_str());
        return 0;
    }
    const CameraSettings& s = state->settings;
    const CameraCounters& c = state->counters;
    std::printf("camera:       %s\n", s.plugged ? "plugged in" : "unplugged");
    std::printf("code version: %s\n", ReportedCodeVersion(*flash).c_str());
    std::printf("flash holds:  %s\n", DescribeFlash(*flash).c_str());
    std::printf("calls:        %u (opens %u, versions %u, erases %u, writes %u, reads %u), %u steps\n",
                c.calls, c.opens, c.versions, c.erases, c.writes, c.reads, c.steps);
    std::printf("device time:  %.3f s%s\n", static_cast<double>(c.deviceMicros) / 1e6,
                s.realisticTimings ? " (realistic timings)" : "");
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        const FaultRule& rule = s.faults[i];
        if (rule.firstCalls != 0 || rule.perMillion != 0)
            std::printf("fault:        %s up to call %u of its operation, then with chance %.4g%%\n",
                        FaultName(static_cast<Fault>(i)), rule.firstCalls, rule.perMillion / 1e4);
    }
    if (s.unplugAfterCalls != 0)
        std::printf("fault:        unplugged after %u calls\n", s.unplugAfterCalls);
    if (s.cutAfterSteps != 0)
        std::printf("fault:        power cut after step %u%s\n", s.cutAfterSteps,
                    s.cutTorn ? ", which is torn" : "");
    return 0;
}

// Rewrites the settings with lines added after them, which the parser takes in order. The
// counters are the camera's own: vcam never writes them but by plugging in.
int Amend(const std::filesystem::path& folder, const std::string& lines) {
    const std::optional<CameraSettings> settings = LoadSettings(folder);
    if (!settings)
        return Fail("no camera; plug it in first");
    const std::optional<CameraState> amended = ParseState(FormatSettings(*settings) + lines);
    if (!amended)
        return Fail("bad setting; see vcam --help");
    if (FormatCounters(amended->counters) != FormatCounters({}))
        return Fail("the call counters are the camera's own; plugging in clears them");
    return SaveSettings(folder, amended->settings) ? 0 : Fail("cannot write the camera's folder");
}

int SetFault(const std::filesystem::path& folder, int argc, char** argv) {
    if (argc == 1 && std::strcmp(argv[0], "clear") == 0) {
        std::string lines;
        for (std::size_t i = 0; i < kFaultCount; ++i)
            lines += std::string("fault.") + FaultName(static_cast<Fault>(i)) + "=0 0\n";
        return Amend(folder, lines + "unplug-after-calls=0\ncut-after-steps=0\ncut-torn=0\n");
    }
    const std::optional<Fault> fault = argc == 2 ? FaultFromName(argv[0]) : std::nullopt;
    const std::optional<CameraState> state = LoadState(folder);
    if (!fault)
        return Fail("usage: vcam fault NAME N | NAME P% | clear");
    if (!state)
        return Fail("no camera; plug it in first");
    const std::string amount = argv[1];
    std::string rule;
    if (!amount.empty() && amount.back() == '%') {
        char* end = nullptr;
        const double percent = std::strtod(amount.c_str(), &end);
        if (end != amount.c_str() + amount.size() - 1 || !(percent >= 0 && percent <= 100))
            return Fail("a chance is a percentage from 0 to 100");
        rule = "0 " + std::to_string(static_cast<unsigned>(percent * 1e4 + 0.5));
    } else {
        char* end = nullptr;
        const unsigned long calls = std::strtoul(amount.c_str(), &end, 10);
        if (amount.empty() || *end != '\0' || calls > 1000000)
            return Fail("a number of calls is a whole number up to 1000000");
        // The next N calls: the rule counts from plugging in.
        const std::uint32_t first =
            calls == 0 ? 0 : CallsSoFar(*state, *fault) + static_cast<std::uint32_t>(calls);
        rule = std::to_string(first) + " 0";
    }
    return Amend(folder, std::string("fault.") + argv[0] + "=" + rule + "\n");
}

int Set(const std::filesystem::path& folder, int argc, char** argv) {
    std::string lines;
    for (int i = 0; i < argc; ++i) {
        if (std::strchr(argv[i], '=') == nullptr || std::strchr(argv[i], '\n') != nullptr)
            return Fail("usage: vcam set KEY=VALUE...");
        std::string line = argv[i];
        // The camera counts steps from plugging in; the user counts from now.
        constexpr std::string_view kCut = "cut-after-steps=";
        if (line.compare(0, kCut.size(), kCut) == 0) {
            const std::optional<CameraState> asked = ParseState(line);
            const std::optional<CameraCounters> counters = LoadCounters(folder);
            if (!asked || !counters || counters->steps > UINT32_MAX - asked->settings.cutAfterSteps)
                return Fail("cut-after-steps is a whole number of steps, and the camera must be plugged in");
            if (asked->settings.cutAfterSteps != 0)
                line = std::string(kCut) + std::to_string(counters->steps + asked->settings.cutAfterSteps);
        }
        lines += line + "\n";
    }
    return Amend(folder, lines);
}

const char* NextStepName(NextStep next) {
    switch (next) {
    case NextStep::WaitForUser:
        return "wait for the user";
    case NextStep::CloseCancelled:
        return "close as cancelled";
    default:
        return "other";
    }
}

int Identify(int argc, char** argv) {
    std::string tail;
    for (int i = 0; i < argc; ++i)
        tail += std::string(i ? " " : "") + argv[i];
    const SwitchFlags flags = ReadSwitches(tail.c_str());

    std::printf("camera:       %s\n", FindCamera() == kCameraFound ? "present" : "not found");
    CDriverLibrary driver;
    std::uint8_t version[kCodeVersionBufferSize] = {};
    if (driver.Initialize_DriverInterface() > 0) {
        driver.GetCodeVersion(version);
        driver.UnInitialize_DriverInterface();
        std::printf("code version: %.23s\n", reinterpret_cast<const char*>(version));
    } else {
        std::printf("code version: (the driver interface does not open)\n");
    }
    std::printf("target:       %s (%s, image %d)\n", TargetFirmwareFor(flags.old).codeVersion,
                GetFirmwareName(TargetFirmwareFor(flags.old).codeVersion).c_str(),
                TargetFirmwareFor(flags.old).imageResourceId);

    CSetupApiInventory inventory;
    GeneratedImages images;
    const Decision decision = OpeningCheck(inventory, driver, images, flags);
    std::printf("switches:     %s%s\n", flags.force ? "/force " : "", flags.old ? "/old" : "");
    std::printf("opening:      %s", NextStepName(decision.next));
    if (decision.message)
        std::printf(", after message %d%s (style %u)", decision.message->textId,
                    decision.message->suffix.empty() ? "" : " with the target's name",
                    decision.message->style);
    std::printf("\n");
    return 0;
}

int History(int argc, char** argv) {
    char* end = nullptr;
    const long count = argc == 1 ? std::strtol(argv[0], &end, 10) : 10;
    if (argc > 1 || (argc == 1 && (*end != '\0' || count <= 0)))
        return Fail("usage: vcam history [N]");
    const char* local = std::getenv("LOCALAPPDATA");
    if (local == nullptr || *local == '\0')
        return Fail("LOCALAPPDATA is not set");
    const std::filesystem::path folder = std::filesystem::path(local) / "Tervolin";
    const auto records = ReadHistory(folder);
    if (records.empty()) {
        std::printf("no records in %s\n", (folder / "history.log").string().c_str());
        return 0;
    }
    auto field = [](const std::map<std::string, std::string>& record, const char* key) {
        const auto found = record.find(key);
        return found == record.end() ? std::string("?") : found->second;
    };
    // What some endings add: the driver library's problem, a crash, when an interruption was noticed.
    auto details = [](const std::map<std::string, std::string>& record) {
        std::string text;
        for (const char* key : {"mode", "driver", "code", "at", "call", "dump", "noticed"}) {
            const auto found = record.find(key);
            if (found != record.end())
                text += std::string(text.empty() ? "" : " ") + key + "=" + found->second;
        }
        return text;
    };
    std::printf("%-20s  %-14s %4s  %-8s %-26s %-26s %s\n", "time (UTC)", "ending", "exit", "switches",
                "before", "after", "attempts");
    const std::size_t first = records.size() > static_cast<std::size_t>(count) ? records.size() - count : 0;
    for (std::size_t i = first; i < records.size(); ++i) {
        const auto& r = records[i];
        const std::string more = details(r);
        std::printf("%-20s  %-14s %4s  %-8s %-26s %-26s %s%s%s\n", field(r, "time").c_str(),
                    field(r, "ending").c_str(), field(r, "exit").c_str(), field(r, "switches").c_str(),
                    field(r, "before").c_str(), field(r, "after").c_str(),
                    DescribeAttempts(field(r, "attempts")).c_str(), more.empty() ? "" : "  ", more.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    const std::filesystem::path folder = DefaultStateFolder();
    if (command == "plug")
        return Plug(folder, argc - 2, argv + 2);
    if (command == "unplug" && argc == 2)
        return Unplug(folder);
    if (command == "status" && argc == 2)
        return Status(folder);
    if (command == "fault")
        return SetFault(folder, argc - 2, argv + 2);
    if (command == "set")
        return Set(folder, argc - 2, argv + 2);
    if (command == "identify")
        return Identify(argc - 2, argv + 2);
    if (command == "history")
        return History(argc - 2, argv + 2);
    std::fputs(kUsage, stderr);
    return 2;
}
