// The virtual camera's driver operations. Every call reads the state folder afresh and writes back
// what it changed, so the driver DLL, the vcam tool and the tests all see one camera.
#include "VirtualCamera.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

using std::chrono::microseconds;

constexpr std::size_t kSectorSize = 4096;
constexpr std::size_t kPageSize = 256;

// Timing of a 64 KiB SPI NOR part behind a full-speed USB link.
constexpr microseconds kOpenTime{2000};
constexpr microseconds kVersionTime{1000};
constexpr microseconds kBulkEraseTime{850000};
constexpr microseconds kPageProgramTime{1400};
constexpr microseconds kUsbTimePerByte{1};

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// A number drawn for the n-th call of an operation: a pure function of seed, fault, call and salt.
std::uint64_t Draw(const CameraState& state, Fault fault, std::uint32_t call, std::uint64_t salt = 0) {
    return Mix(state.settings.seed ^ Mix(static_cast<std::uint64_t>(fault) * 0x100000001ull + call) ^
               Mix(salt));
}

bool Happens(const CameraState& state, Fault fault, std::uint32_t call) {
    const FaultRule& rule = state.settings.Rule(fault);
    if (call <= rule.firstCalls)
        return true;
    return rule.perMillion > 0 && Draw(state, fault, call) % 1000000 < rule.perMillion;
}

std::uint32_t PartOf(const CameraState& state, std::uint32_t length) {
    const std::uint32_t part = state.settings.partialBytes;
    return part == 0 ? length / 2 : std::min(part, length);
}

bool InFlash(std::uint32_t offset, std::uint32_t length) {
    return offset <= kFlashSize && length <= kFlashSize - offset;
}

} // namespace

VirtualCamera::VirtualCamera(std::filesystem::path folder, Sleeper sleep)
    : m_folder(std::move(folder)), m_sleep(std::move(sleep)) {
    if (!m_sleep)
        m_sleep = [](microseconds time) { std::this_thread::sleep_for(time); };
}

bool VirtualCamera::Plug(const std::filesystem::path& folder, const FlashImage& flash,
                         const CameraSettings& settings) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    CameraState state;
    state.settings = settings;
    state.settings.plugged = true;
    return SaveFlash(folder, flash) && SaveState(folder, state);
}

bool VirtualCamera::Call(const std::function<bool(CameraState&, FlashImage&)>& operation, bool needsOpen,
                         bool changesFlash) {
    std::optional<CameraState> state = LoadState(m_folder);
    std::optional<FlashImage> flash = LoadFlash(m_folder);
    if (!state || !flash) {
        m_open = false;
        return false;
    }
    ++state->counters.calls;
    const CameraSettings& settings = state->settings;
    const bool gone = !settings.plugged ||
                      (settings.unplugAfterCalls != 0 && state->counters.calls > settings.unplugAfterCalls);
    bool result = false;
    if (gone)
        m_open = false;
    else if (!needsOpen || m_open)
        result = operation(*state, *flash);
    SaveState(m_folder, *state);
    if (changesFlash && result)
        SaveFlash(m_folder, *flash);
    return result;
}

void VirtualCamera::Spend(CameraState& state, microseconds time) {
    time = time * state.settings.timePercent / 100;
    state.counters.deviceMicros += static_cast<std::uint64_t>(time.count());
    if (state.settings.realisticTimings)
        m_sleep(time);
}

std::int32_t VirtualCamera::Initialize_DriverInterface() {
    std::int32_t result = 0;
    Call(
        [&](CameraState& state, FlashImage&) {
            const std::uint32_t call = ++state.counters.opens;
            Spend(state, kOpenTime);
            if (Happens(state, Fault::OpenFail, call)) {
                result = -1;
                return false;
            }
            m_open = true;
            result = 1;
            return true;
        },
        false);
    return result;
}

bool VirtualCamera::UnInitialize_DriverInterface() {
    return Call(
        [&](CameraState&, FlashImage&) {
            m_open = false;
            return true;
        },
        true);
}

bool VirtualCamera::GetCodeVersion(std::uint8_t* buffer) {
    return Call(
        [&](CameraState& state, FlashImage& flash) {
            if (buffer == nullptr)
                return false;
            Spend(state, kVersionTime);
            const std::string version = ReportedCodeVersion(flash);
            std::memset(buffer, 0, kCodeVersionBufferSize);
            std::memcpy(buffer, version.data(), std::min(version.size(), kCodeVersionBufferSize - 1));
            return true;
        },
        true);
}

bool VirtualCamera::EraseSF() {
    return Call(
        [&](CameraState& state, FlashImage& flash) {
            const std::uint32_t call = ++state.counters.erases;
            Spend(state, kBulkEraseTime);
            if (Happens(state, Fault::EraseFail, call))
                return false;
            std::size_t erased = kFlashSize;
            if (Happens(state, Fault::EraseInterrupt, call))
                erased = kSectorSize *
                         (1 + Draw(state, Fault::EraseInterrupt, call, 1) % (kFlashSize / kSectorSize - 1));
            std::fill(flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(erased), 0xFF);
            const CameraSettings& settings = state.settings;
            if (Happens(state, Fault::StuckBits, call) && settings.stuckOffset < kFlashSize)
                flash[settings.stuckOffset] &= static_cast<std::uint8_t>(~settings.stuckMask);
            return true;
        },
        true, true);
}

bool VirtualCamera::ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                                std::uint32_t length) {
    return Call(
        [&](CameraState& state, FlashImage& flash) {
            if (buffer == nullptr || !InFlash(value, length))
                return false;
            if (request == kRequestWriteFlash)
                return Write(state, flash, value, buffer, length);
            if (request == kRequestReadFlash)
                return Read(state, flash, value, buffer, length);
            return false;
        },
        true, request == kRequestWriteFlash);
}

bool VirtualCamera::Write(CameraState& state, FlashImage& flash, std::uint32_t offset,
                          const std::uint8_t* data, std::uint32_t length) {
    const std::uint32_t call = ++state.counters.writes;
    const std::uint32_t pages = (length + kPageSize - 1) / kPageSize;
    Spend(state, kUsbTimePerByte * length + kPageProgramTime * pages);
    if (Happens(state, Fault::WriteFail, call))
        return false;
    std::uint32_t written = length;
    if (Happens(state, Fault::WriteNothing, call))
        written = 0;
    else if (Happens(state, Fault::WritePartial, call))
        written = PartOf(state, length);
    // NOR programming can only clear bits.
    for (std::uint32_t i = 0; i < written; ++i)
        flash[offset + i] &= data[i];
    return true;
}

bool VirtualCamera::Read(CameraState& state, const FlashImage& flash, std::uint32_t offset,
                         std::uint8_t* data, std::uint32_t length) {
    const std::uint32_t call = ++state.counters.reads;
    Spend(state, kUsbTimePerByte * length);
    if (Happens(state, Fault::ReadFail, call))
        return false;
    const std::uint32_t filled = Happens(state, Fault::ReadShort, call) ? PartOf(state, length) : length;
    std::memcpy(data, flash.data() + offset, filled);
    if (filled > 0 && Happens(state, Fault::ReadFlip, call)) {
        const std::uint64_t bit = Draw(state, Fault::ReadFlip, call, 1) % (std::uint64_t{filled} * 8);
        data[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    const std::uint32_t corrupt = state.settings.corruptOffset;
    if (Happens(state, Fault::ReadCorrupt, call) && corrupt >= offset && corrupt - offset < filled)
        data[corrupt - offset] ^= 0xFF;
    return true;
}
