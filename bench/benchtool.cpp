// benchtool: the Windows side of bench/run. Each command prints one line of figures.
//   benchtool launch PROGRAM BARE SKINNED SAME_ORDER RUNS
//                                               median ms from start to an interactive window,
//                                               and the median peak working set in KiB, of the
//                                               program and of the three baselines; then the
//                                               median of each round's program time over each
//                                               baseline's (bare, skinned, same-order)
//   benchtool trace PROGRAM                     the program's start-up phases, as it writes them
//                                               to a debugger, up to its interactive window
//   benchtool region RUNS                       CreateOpaqueRegion of both skins against reading
//                                               the pixels in one locked block, in ms
//   benchtool soak JOBS SEED                    flashing jobs through the driver DLL with faults
//   benchtool cutoff BIN ROUNDS SEED            updates of the program in BIN cut off mid-way,
//                                               each followed by the run that restores the camera
//   benchtool fleet BIN FOLDER COMPUTERS SEED   unattended runs of the program in BIN on simulated
//                                               computers in FOLDER, as a deployment tool runs it
#define PSAPI_VERSION 2
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/FlashThread.h"
#include "app/StartupTrace.h"
#include "bench/Fleet.h"
#include "Controls/GdiPlusBitmap.h"
#include "Controls/OpaqueRegion.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "framework/Handle.h"
#include "framework/Gdi.h"
#include "framework/WindowHandle.h"
#include "framework/WinThread.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "res/resource.h"
#include "tools/uidriver/CutOffRecovery.h"
#include "tools/uidriver/UiDriver.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The topmost dialog of the process that is shown and enabled; null while there is none.
HWND EnabledDialog(DWORD processId) {
    for (HWND dialog : ProcessDialogs(processId)) {
        if (IsWindowEnabled(dialog))
            return dialog;
    }
    return nullptr;
}

struct LaunchFigures {
    double milliseconds;
    double peakKiB;
};

// Starts `program`, waits until its dialog is shown, enabled and answering, and closes it again.
// False when it cannot be started.
bool LaunchOnce(const std::string& program, LaunchFigures& figures) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "benchtool: cannot start %s\n", program.c_str());
        return false;
    }
    const CHandle processOwner(process.hProcess), threadOwner(process.hThread);
    HWND dialog = nullptr;
    while ((dialog = EnabledDialog(process.dwProcessId)) == nullptr && MillisecondsSince(start) < 30000)
        Sleep(1);
    // Interactive: its thread answers a message.
    DWORD_PTR answer = 0;
    if (dialog != nullptr)
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
    figures.milliseconds = MillisecondsSince(start);
    Sleep(300);
    // The peak so far, read while the program still runs and shows its window.
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    figures.peakKiB = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    if (dialog != nullptr)
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    return true;
}

// The program and the baselines take turns, the order rotating by one every round, after one
// launch of each that is not counted (it starts what the system keeps running for the next ones).
int Launch(const std::string& program, const std::string& bare, const std::string& skinned,
           const std::string& sameOrder, int runs) {
    constexpr int kPrograms = 4;
    const std::string* order[kPrograms] = {&program, &bare, &skinned, &sameOrder};
    std::vector<double> times[kPrograms], peaks[kPrograms];
    LaunchFigures figures{};
    for (const std::string* each : order) {
        if (!LaunchOnce(*each, figures))
            return 2;
    }
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < kPrograms; ++turn) {
            const int which = (run + turn) % kPrograms;
            if (!LaunchOnce(*order[which], figures))
                return 2;
            times[which].push_back(figures.milliseconds);
            peaks[which].push_back(figures.peakKiB);
        }
    }
    // Launches of one round are taken moments apart, under much the same conditions: each round's
    // program time over each baseline's of the same round, and the median of those.
    auto pairedRatio = [&](int baseline) {
        std::vector<double> ratios;
        for (int run = 0; run < runs; ++run)
            ratios.push_back(times[0][run] / times[baseline][run]);
        return Median(ratios);
    };
    std::printf("launch %.1f ms, peak %.0f KiB; bare %.1f ms, peak %.0f KiB; skinned %.1f ms, peak %.0f KiB; "
                "same-order %.1f ms, peak %.0f KiB; paired ratios %.3f %.3f %.3f\n",
                Median(times[0]), Median(peaks[0]), Median(times[1]), Median(peaks[1]), Median(times[2]),
                Median(peaks[2]), Median(times[3]), Median(peaks[3]), pairedRatio(1), pairedRatio(2),
                pairedRatio(3));
    return 0;
}

// The text of an OUTPUT_DEBUG_STRING_EVENT, without its line end.
std::string DebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const std::size_t units = info.nDebugStringLength;
    const std::size_t size = info.fUnicode ? units * sizeof(wchar_t) : units;
    std::vector<char> bytes(size + sizeof(wchar_t));
    SIZE_T read = 0;
    if (size == 0 || !ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), size, &read))
        return {};
    std::string text;
    if (info.fUnicode) {
        const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data());
        for (std::size_t i = 0; i < read / sizeof(wchar_t) && wide[i] != 0; ++i)
            text += wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    } else {
        text.assign(bytes.data(), strnlen(bytes.data(), read));
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Runs `program` under this process as its debugger with its start-up trace on and prints what it
// writes to the debugger as it comes; once its dialog is shown, enabled and answering, says so on
// the program's clock, closes the dialog and lets the program run to its end.
int Trace(const std::string& program) {
    SetEnvironmentVariableA("TERVOLIN_TRACE_STARTUP", "1");
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "benchtool: cannot start %s\n", program.c_str());
        return 2;
    }
    const CHandle processOwner(process.hProcess), threadOwner(process.hThread);
    SetEnvironmentVariableA("TERVOLIN_TRACE_STARTUP", nullptr);
    const auto start = std::chrono::steady_clock::now();
    HWND dialog = nullptr;
    bool interactive = false, closed = false, exited = false;
    int lines = 0;
    while (!exited && MillisecondsSince(start) < 60000) {
        DEBUG_EVENT event{};
        if (WaitForDebugEvent(&event, 10)) {
            DWORD status = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT:
                std::printf("%s\n", DebugString(process.hProcess, event.u.DebugString).c_str());
                std::fflush(stdout);
                ++lines;
                break;
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile != nullptr)
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile != nullptr)
                    CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                // The loader's breakpoint is the debugger's; every other exception is the program's.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                exited = true;
                break;
            default:
                break;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
            continue; // every pending event first: the program waits for each
        }
        if (closed)
            continue;
        if (dialog == nullptr)
            dialog = EnabledDialog(process.dwProcessId);
        // Interactive: its thread answers a message. A short wait, as the program may be waiting
        // for this thread to take its next debug event.
        DWORD_PTR answer = 0;
        if (dialog != nullptr && !interactive &&
            SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 20, &answer) != 0) {
            interactive = true;
            std::printf("benchtool: window interactive %.1f ms\n",
                        MillisecondsSinceCreation(process.hProcess));
            std::fflush(stdout);
        }
        if (interactive) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            closed = true;
        }
    }
    if (!exited)
        TerminateProcess(process.hProcess, 1);
    return interactive && lines > 0 ? 0 : 1;
}

// The opaque region from the pixels read in one locked block: the same runs, one read.
HRGN RegionFromLockedBlock(CPNGResource& png) {
    const UINT width = png.GetImageWidth();
    const UINT height = png.GetImageHeight();
    std::vector<gdip::ARGB> pixels(static_cast<std::size_t>(width) * height);
    gdip::BitmapData data{width,         height, static_cast<INT>(width * 4), gdip::PixelFormat32bppARGB,
                          pixels.data(), 0};
    const gdip::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const CGdiPlus& api = CGdiPlus::Api();
    api.GdipBitmapLockBits(png.GetImage(), &all, gdip::ImageLockModeRead | gdip::ImageLockModeUserInputBuf,
                           gdip::PixelFormat32bppARGB, &data);
    api.GdipBitmapUnlockBits(png.GetImage(), &data);
    return OpaqueRegion(width, height, [&](std::uint32_t x, std::uint32_t y, std::uint32_t& argb) {
        argb = pixels[static_cast<std::size_t>(y) * width + x];
        return true;
    });
}

int Region(int runs) {
    for (WORD skin : {static_cast<WORD>(IDPNG_MAIN_SKIN), static_cast<WORD>(IDPNG_UPDATE_SKIN)}) {
        CPNGResource png;
        if (!png.LoadFromResource(skin))
            return 2;
        std::vector<double> program, baseline;
        bool same = true;
        for (int run = 0; run < runs; ++run) {
            auto start = std::chrono::steady_clock::now();
            CRgn region, block;
            region.Attach(png.CreateOpaqueRegion());
            program.push_back(MillisecondsSince(start));
            start = std::chrono::steady_clock::now();
            block.Attach(RegionFromLockedBlock(png));
            baseline.push_back(MillisecondsSince(start));
            same = same && EqualRgn(region, block);
        }
        std::printf("region %u %.3f ms, locked block %.3f ms, %s\n", skin, Median(program), Median(baseline),
                    same ? "same region" : "DIFFERENT REGION");
    }
    return 0;
}

int Soak(int jobs, unsigned seed) {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TERVOLIN_VCAM", folder, MAX_PATH) == 0)
        return 2;
    std::mt19937_64 random(seed);
    auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    const CWindowHandle window(
        CreateWindowExA(0, "STATIC", "soak", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    int verified = 0, failed = 0, falseSuccesses = 0, hangs = 0;
    DWORD gdiStart = 0, userStart = 0;
    SIZE_T memoryStart = 0;
    auto memoryNow = [] {
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory);
        return memory.PrivateUsage;
    };
    const auto start = std::chrono::steady_clock::now();
    for (int job = 0; job < jobs; ++job) {
        if (job == 10) { // after the first jobs have loaded everything they keep
            gdiStart = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
            userStart = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
            memoryStart = memoryNow();
        }
        CameraSettings settings;
        settings.seed = random();
        // Every fault but the crashes, the last ones, which would end the soak itself.
        static_assert(static_cast<std::size_t>(Fault::CrashRead) + 1 == kFaultCount);
        for (std::size_t f = 0; f < static_cast<std::size_t>(Fault::CrashOpen); ++f) {
            if (below(4) == 0)
                settings.faults[f] = {below(3), below(2) ? below(500000) : 0};
        }
        settings.unplugAfterCalls = below(10) == 0 ? 1 + below(20) : 0;
        settings.corruptOffset = below(kFlashSize);
        settings.stuckOffset = below(kFlashSize);
        settings.stuckMask = 1u << below(8);
        settings.partialBytes = below(kFlashSize);
        VirtualCamera::Plug(folder, MakeFirmwareImage(kOlder), settings);
        FirmwareResourceId = below(2) ? kDefaultFirmwareResourceId : kOldFirmwareResourceId;

        CWinThread* worker =
            AfxBeginThread(FlashThreadProc, window, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
        worker->SetAutoDelete(true);
        worker->ResumeThread();
        int result = -1;
        const auto jobStart = std::chrono::steady_clock::now();
        MSG message;
        while (result < 0 && MillisecondsSince(jobStart) < 30000) {
            if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                continue;
            }
            if (message.hwnd == window && message.message == WM_FLASH_DONE)
                result = static_cast<int>(message.wParam);
            else
                DispatchMessageA(&message);
        }
        if (result < 0) {
            ++hangs;
            continue;
        }
        const TargetFirmware target = TargetFirmwareFor(FirmwareResourceId == kOldFirmwareResourceId);
        const auto flash = LoadFlash(folder);
        const bool holdsImage = flash && *flash == MakeFirmwareImage(target.codeVersion);
        if (result == 1) {
            ++verified;
            falseSuccesses += !holdsImage;
        } else {
            ++failed;
        }
    }
    Sleep(200); // the last worker thread deletes itself
    const long gdiGrowth =
        static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) - static_cast<long>(gdiStart);
    const long userGrowth = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) -
                            static_cast<long>(userStart);
    const double memoryGrowth =
        (static_cast<double>(memoryNow()) - static_cast<double>(memoryStart)) / 1024.0;
    std::printf("soak %d jobs in %.1f s: %d verified, %d failed, %d false successes, %d hangs; growth after "
                "job 10: %ld GDI, %ld USER objects, %.0f KiB private memory\n",
                jobs, MillisecondsSince(start) / 1000.0, verified, failed, falseSuccesses, hangs, gdiGrowth,
                userGrowth, memoryGrowth);
    return falseSuccesses == 0 && hangs == 0 ? 0 : 1;
}

} // namespace

int CutOffs(const char* bin, int rounds, unsigned seed) {
    const std::filesystem::path camera = DefaultStateFolder();
    const CutOffTally tally = RunCutOffRecovery(bin, camera, rounds, seed);
    for (const std::string& cut : tally.cuts)
        std::printf("%s\n", cut.c_str());
    for (const std::string& problem : tally.problems)
        std::printf("problem: %s\n", problem.c_str());
    std::printf(
        "cut-off recovery: %d cut-offs, %d recovered, %d false successes, %zu problems; %d power cuts\n",
        tally.cutOffs, tally.recovered, tally.falseSuccesses, tally.problems.size(), tally.powerCuts);
    return tally.cutOffs == rounds && tally.recovered == rounds && tally.falseSuccesses == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    const CGdiPlusSession gdiplus;
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "launch" && argc == 7)
        return Launch(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
    if (command == "trace" && argc == 3)
        return Trace(argv[2]);
    if (command == "region" && argc == 3)
        return Region(std::atoi(argv[2]));
    if (command == "soak" && argc == 4)
        return Soak(std::atoi(argv[2]), static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
    if (command == "cutoff" && argc == 5)
        return CutOffs(argv[2], std::atoi(argv[3]),
                       static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
    if (command == "fleet" && argc == 6)
        return RunFleet(argv[2], argv[3], std::atoi(argv[4]),
                        static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 10)));
    std::fprintf(
        stderr,
        "usage: benchtool launch PROGRAM BARE SKINNED SAME_ORDER RUNS | trace PROGRAM | region RUNS | "
        "soak JOBS SEED | cutoff BIN ROUNDS SEED | fleet BIN FOLDER COMPUTERS SEED\n");
    return 2;
}
