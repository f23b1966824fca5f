// The virtual camera's driver operations. Every call reads the state folder afresh and goes in the
// steps a real part takes (a sector erased, a page programmed, a USB transfer), each written to the
// folder as it happens, so the driver DLL, the vcam tool and the tests all see one camera, and a
// process ended mid-operation leaves the flash a real camera would keep.
#include "libs/RevezoDaRur/VirtualCamera.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

#include "core/FirmwareVersion.h"

namespace {

using std::chrono::microseconds;

constexpr std::uint32_t kSectorSize = 4096;
constexpr std::uint32_t kSectorCount = kFlashSize / kSectorSize;
constexpr std::uint32_t kPageSize = 256;
constexpr std::uint32_t kTransferSize = 4096; // one USB read transfer
// The magic and the longest code version text the camera reports, with its terminator.
constexpr std::size_t kVersionArea = 8 + kCodeVersionBufferSize;

// Timing of a 64 KiB SPI NOR part behind a full-speed USB link.
constexpr microseconds kOpenTime{2000};
constexpr microseconds kVersionTime{1000};
constexpr microseconds kBulkEraseTime{850000};
constexpr microseconds kPageProgramTime{1400};
constexpr microseconds kUsbTimePerByte{1};
static_assert(kBulkEraseTime.count() % kSectorCount == 0, "every sector takes the same time");

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// A number drawn for the n-th call of an operation: a pure function of seed, fault, call and salt.
std::uint64_t Draw(const CameraSettings& settings, Fault fault, std::uint32_t call, std::uint64_t salt = 0) {
    return Mix(settings.seed ^ Mix(static_cast<std::uint64_t>(fault) * 0x100000001ull + call) ^ Mix(salt));
}

// Whether a fault disturbs the n-th call of its operation. An operation asks again at every step,
// with the settings as they are then: the same answer while they stay, a new one once they change.
bool Happens(const CameraSettings& settings, Fault fault, std::uint32_t call) {
    const FaultRule& rule = settings.Rule(fault);
    if (call <= rule.firstCalls)
        return true;
    return rule.perMillion > 0 && Draw(settings, fault, call) % 1000000 < rule.perMillion;
}

// The bytes that a partial write or a short read moves, never more than asked for.
std::uint32_t PartOf(const CameraSettings& settings, std::uint32_t length) {
    const std::uint32_t part = settings.partialBytes;
    return part == 0 ? length / 2 : std::min(part, length);
}

bool InFlash(std::uint32_t offset, std::uint32_t length) {
    return offset <= kFlashSize && length <= kFlashSize - offset;
}

// The sectors an interrupted erase of the n-th call clears before it stops: at least one, never all.
std::uint32_t SectorsBeforeInterrupt(const CameraSettings& settings, std::uint32_t call) {
    return 1 +
           static_cast<std::uint32_t>(Draw(settings, Fault::EraseInterrupt, call, 1) % (kSectorCount - 1));
}

// Whether the camera's power is cut: it reached its last step.
bool PowerCut(const CameraSettings& settings, const CameraCounters& counters) {
    return settings.cutAfterSteps != 0 && counters.steps >= settings.cutAfterSteps;
}

// The bits that a step torn by a power cut got through to, eight per byte, `byte` onwards: drawn
// from the seed and the step, so the same cut tears the same way.
std::uint8_t TornMask(const CameraSettings& settings, std::uint32_t step, std::uint32_t byte) {
    const std::uint64_t bits = Mix(settings.seed ^ Mix((std::uint64_t{step} << 32) | (byte / 8)));
    return static_cast<std::uint8_t>(bits >> (byte % 8 * 8));
}

// A write into the lowest page, which no process maps. Not null, so that the native build's
// undefined-behaviour checks let it fault as the DLL does; through a volatile pointer, so that the
// compiler neither drops the write nor, knowing the address, turns it into a trap.
void AccessViolation() {
    volatile std::uint8_t* volatile address = reinterpret_cast<volatile std::uint8_t*>(std::uintptr_t{16});
    *address = 0;
}

} // namespace

VirtualCamera::VirtualCamera(std::filesystem::path folder, Pacing pacing, std::function<void()> crash)
    : m_folder(std::move(folder)), m_pacing(std::move(pacing)), m_crash(std::move(crash)) {
    if (!m_pacing.now)
        m_pacing.now = [] { return std::chrono::steady_clock::now(); };
    if (!m_pacing.sleepUntil)
        m_pacing.sleepUntil = [](TimePoint until) { std::this_thread::sleep_until(until); };
    if (!m_crash)
        m_crash = AccessViolation;
}

bool VirtualCamera::Plug(const std::filesystem::path& folder, const FlashImage& flash,
                         const CameraSettings& settings) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::optional<CameraSettings> before = LoadSettings(folder);
    CameraSettings plugged = settings;
    plugged.plugCount = before ? before->plugCount + 1 : 1;
    // Out first: a session still running on the camera stops at its next step, before the flash
    // and the counters change under it.
    plugged.plugged = false;
    if (before && !SaveSettings(folder, plugged))
        return false;
    if (!SaveFlash(folder, flash) || !SaveCounters(folder, {}))
        return false;
    plugged.plugged = true;
    return SaveSettings(folder, plugged);
}

template <typename Operation>
bool VirtualCamera::Call(bool needsOpen, bool writesFlash, Operation operation) {
    Run run(m_folder);
    const std::optional<CameraSettings> settings = run.reader.Read();
    // The call's own reading and counting come out of its first step's time.
    if (settings && settings->realisticTimings)
        run.deadline = m_pacing.now();
    const std::optional<CameraCounters> counters = LoadCounters(m_folder);
    if (!settings || !counters || !run.flash.Open(m_folder, writesFlash)) {
        m_open = false;
        return false;
    }
    run.settings = *settings;
    run.counters = *counters;
    run.plugCount = settings->plugCount;
    ++run.counters.calls;
    const bool gone = !settings->plugged || PowerCut(*settings, run.counters) ||
                      (settings->unplugAfterCalls != 0 && run.counters.calls > settings->unplugAfterCalls);
    // A session from before the latest plugging-in is gone even if the camera is back.
    if (gone || settings->plugCount != m_plugCount)
        m_open = false;
    bool result = !gone && (!needsOpen || m_open) && operation(run);
    // Power lost right after the call's last step: the host hears no answer.
    if (PowerCut(run.settings, run.counters)) {
        m_open = false;
        result = false;
    }
    // Counters of a camera plugged in anew meanwhile start afresh; this call is not theirs.
    if (run.settings.plugCount == run.plugCount) {
        run.counters.deviceMicros += static_cast<std::uint64_t>(run.spent.count());
        SaveCounters(m_folder, run.counters);
    }
    return result;
}

std::uint32_t VirtualCamera::Count(Run& run, std::uint32_t CameraCounters::*operationCalls) {
    const std::uint32_t call = ++(run.counters.*operationCalls);
    // Counted before the first step: a process ended during the operation has had the call.
    SaveCounters(m_folder, run.counters);
    return call;
}

bool VirtualCamera::Step(Run& run, microseconds time) {
    // Stretched as a whole so far, so the steps add up to the operation's stretched time.
    const std::uint32_t share = run.settings.timePercent;
    const microseconds step = (run.planned + time) * share / 100 - run.planned * share / 100;
    run.planned += time;
    run.spent += step;
    if (run.settings.realisticTimings) {
        // Against a running deadline: the work between steps comes out of the next wait.
        if (!run.deadline)
            run.deadline = m_pacing.now();
        *run.deadline += step;
        m_pacing.sleepUntil(*run.deadline);
    } else {
        run.deadline.reset();
    }
    if (m_pacing.betweenSteps)
        m_pacing.betweenSteps();
    const std::optional<CameraSettings> settings = run.reader.Read();
    if (settings)
        run.settings = *settings;
    if (!settings || !settings->plugged || settings->plugCount != run.plugCount ||
        PowerCut(run.settings, run.counters)) {
        m_open = false;
        return false;
    }
    ++run.counters.steps;
    run.torn = run.settings.cutTorn && PowerCut(run.settings, run.counters);
    if (run.torn)
        m_open = false;
    return !run.torn;
}

void VirtualCamera::CrashIf(const Run& run, Fault fault, std::uint32_t call) {
    if (Happens(run.settings, fault, call))
        m_crash();
}

std::int32_t VirtualCamera::Initialize_DriverInterface() {
    std::int32_t result = 0;
    const bool answered = Call(false, false, [&](Run& run) {
        const std::uint32_t call = Count(run, &CameraCounters::opens);
        if (!Step(run, kOpenTime))
            return false;
        CrashIf(run, Fault::CrashOpen, call);
        if (Happens(run.settings, Fault::OpenFail, call)) {
            result = -1;
            return false;
        }
        m_open = true;
        m_plugCount = run.plugCount;
        result = 1;
        return true;
    });
    // Opened, but the power went before the answer came back: no camera.
    return answered ? result : std::min(result, 0);
}

bool VirtualCamera::UnInitialize_DriverInterface() {
    return Call(true, false, [&](Run&) {
        m_open = false;
        return true;
    });
}

bool VirtualCamera::GetCodeVersion(std::uint8_t* buffer) {
    return Call(true, false, [&](Run& run) {
        if (buffer == nullptr)
            return false;
        const std::uint32_t call = Count(run, &CameraCounters::versions);
        if (!Step(run, kVersionTime))
            return false;
        CrashIf(run, Fault::CrashVersion, call);
        FlashImage area(kVersionArea);
        if (!run.flash.Read(0, area.data(), area.size()))
            return false;
        const std::string version = ReportedCodeVersion(area);
        std::memset(buffer, 0, kCodeVersionBufferSize);
        std::memcpy(buffer, version.data(), std::min(version.size(), kCodeVersionBufferSize - 1));
        return true;
    });
}

bool VirtualCamera::EraseSF() {
    return Call(true, true, [&](Run& run) { return Erase(run); });
}

bool VirtualCamera::ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                                std::uint32_t length) {
    return Call(true, request == kRequestWriteFlash, [&](Run& run) {
        if (buffer == nullptr || !InFlash(value, length))
            return false;
        if (request == kRequestWriteFlash)
            return Write(run, value, buffer, length);
        if (request == kRequestReadFlash)
            return Read(run, value, buffer, length);
        return false;
    });
}

bool VirtualCamera::Erase(Run& run) {
    const std::uint32_t call = Count(run, &CameraCounters::erases);
    std::uint8_t sector[kSectorSize];
    for (std::uint32_t index = 0; index < kSectorCount; ++index) {
        const std::uint32_t start = index * kSectorSize;
        if (!Step(run, kBulkEraseTime / kSectorCount)) {
            // Cut mid-erase, the sector keeps some of its bits cleared.
            if (run.torn && run.flash.Read(start, sector, kSectorSize)) {
                for (std::uint32_t i = 0; i < kSectorSize; ++i)
                    sector[i] |= TornMask(run.settings, run.counters.steps, i);
                run.flash.Write(start, sector, kSectorSize);
            }
            return false;
        }
        if (index == kSectorCount / 2)
            CrashIf(run, Fault::CrashErase, call);
        const CameraSettings& settings = run.settings;
        if (Happens(settings, Fault::EraseFail, call))
            return false;
        std::fill_n(sector, kSectorSize, 0xFF);
        if (Happens(settings, Fault::StuckBits, call) && settings.stuckOffset >= start &&
            settings.stuckOffset - start < kSectorSize)
            sector[settings.stuckOffset - start] &= static_cast<std::uint8_t>(~settings.stuckMask);
        if (!run.flash.Write(start, sector, kSectorSize))
            return false;
        // It lies: stopped early, it still reports success.
        if (Happens(settings, Fault::EraseInterrupt, call) &&
            index + 1 >= SectorsBeforeInterrupt(settings, call))
            return true;
    }
    return true;
}

bool VirtualCamera::Write(Run& run, std::uint32_t offset, const std::uint8_t* data, std::uint32_t length) {
    const std::uint32_t call = Count(run, &CameraCounters::writes);
    const std::uint32_t halfway = (length + kPageSize - 1) / kPageSize / 2 * kPageSize;
    std::uint8_t page[kPageSize];
    for (std::uint32_t done = 0; done < length; done += kPageSize) {
        const std::uint32_t size = std::min(kPageSize, length - done);
        if (!Step(run, kUsbTimePerByte * size + kPageProgramTime)) {
            // Cut mid-program, the page has only some of the bits it was clearing cleared.
            if (run.torn && run.flash.Read(offset + done, page, size)) {
                for (std::uint32_t i = 0; i < size; ++i)
                    page[i] &= static_cast<std::uint8_t>(data[done + i] |
                                                         ~TornMask(run.settings, run.counters.steps, i));
                run.flash.Write(offset + done, page, size);
            }
            return false;
        }
        if (done == halfway)
            CrashIf(run, Fault::CrashWrite, call);
        const CameraSettings& settings = run.settings;
        if (Happens(settings, Fault::WriteFail, call))
            return false;
        // A write that lies programs nothing or only its first part, and reports success.
        const std::uint32_t programmed = Happens(settings, Fault::WriteNothing, call) ? 0
                                         : Happens(settings, Fault::WritePartial, call)
                                             ? PartOf(settings, length)
                                             : length;
        const std::uint32_t programmedHere = programmed > done ? std::min(size, programmed - done) : 0;
        if (programmedHere == 0)
            continue;
        if (!run.flash.Read(offset + done, page, programmedHere))
            return false;
        // NOR programming can only clear bits.
        for (std::uint32_t i = 0; i < programmedHere; ++i)
            page[i] &= data[done + i];
        if (!run.flash.Write(offset + done, page, programmedHere))
            return false;
    }
    return true;
}

bool VirtualCamera::Read(Run& run, std::uint32_t offset, std::uint8_t* data, std::uint32_t length) {
    const std::uint32_t call = Count(run, &CameraCounters::reads);
    const std::uint32_t halfway = (length + kTransferSize - 1) / kTransferSize / 2 * kTransferSize;
    for (std::uint32_t done = 0; done < length; done += kTransferSize) {
        const std::uint32_t size = std::min(kTransferSize, length - done);
        if (!Step(run, kUsbTimePerByte * size))
            return false;
        if (done == halfway)
            CrashIf(run, Fault::CrashRead, call);
        const CameraSettings& settings = run.settings;
        if (Happens(settings, Fault::ReadFail, call))
            return false;
        // A short read fills only the first part of the buffer and reports success.
        const std::uint32_t filled =
            Happens(settings, Fault::ReadShort, call) ? PartOf(settings, length) : length;
        const std::uint32_t copied = filled > done ? std::min(size, filled - done) : 0;
        if (copied == 0)
            continue;
        if (!run.flash.Read(offset + done, data + done, copied))
            return false;
        if (Happens(settings, Fault::ReadFlip, call)) {
            const std::uint64_t bit = Draw(settings, Fault::ReadFlip, call, 1) % (std::uint64_t{filled} * 8);
            if (bit / 8 >= done && bit / 8 - done < copied)
                data[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        }
        const std::uint32_t corrupt = settings.corruptOffset;
        if (Happens(settings, Fault::ReadCorrupt, call) && corrupt >= offset + done &&
            corrupt - (offset + done) < copied)
            data[corrupt - offset] ^= 0xFF;
    }
    return true;
}
