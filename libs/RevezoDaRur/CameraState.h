// What the virtual camera keeps in its state folder: the contents of its 64 KiB serial flash
// (flash.bin), its settings and faults (camera.ini, written by vcam and the tests), and its call
// counters (counters.ini, written by the camera model). Each file has one writer, so neither
// overwrites the other's changes.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kFlashSize = 65536;
using FlashImage = std::vector<std::uint8_t>;

// The misbehaviours the camera can be told to show.
enum class Fault : int {
    OpenFail,       // the driver interface does not open
    EraseFail,      // erase reports failure and changes nothing
    EraseInterrupt, // erase clears only some sectors but reports success
    WriteFail,      // write reports failure and changes nothing
    WriteNothing,   // write reports success but writes nothing
    WritePartial,   // write reports success but writes only the first part
    ReadFail,       // read reports failure
    ReadShort,      // read reports success but fills only the first part of the buffer
    ReadFlip,       // read flips one bit of what it returns
    ReadCorrupt,    // read returns the byte at the chosen offset inverted
    StuckBits,      // erase leaves the chosen bits of one byte at 0
    // The driver crashes partway through the call, with what a real part keeps at that moment.
    CrashOpen,    // after its step, before the session opens
    CrashVersion, // after its step, before the buffer is filled
    CrashErase,   // with half of the sectors erased
    CrashWrite,   // with half of the request's pages programmed
    CrashRead,    // halfway through the request's transfers
};
constexpr std::size_t kFaultCount = 16;

const char* FaultName(Fault fault);
std::optional<Fault> FaultFromName(std::string_view name);

// A fault happens on the first `firstCalls` calls of its operation, and on each later call with
// the given chance (parts per million), drawn from the camera's seed: same seed, same faults.
struct FaultRule {
    std::uint32_t firstCalls = 0;
    std::uint32_t perMillion = 0;
};

struct CameraSettings {
    bool plugged = true;
    bool realisticTimings = false;   // sleep as a real SPI NOR part behind USB would take
    std::uint32_t timePercent = 100; // realistic timings stretched or shrunk by this share
    std::uint64_t seed = 1;
    std::uint32_t unplugAfterCalls = 0;           // 0: never; else gone after this many driver calls
    std::uint32_t corruptOffset = kFlashSize - 1; // byte that ReadCorrupt inverts
    std::uint32_t stuckOffset = 0;                // byte and bits that StuckBits keeps at 0
    std::uint32_t stuckMask = 0x01;
    std::uint32_t partialBytes = 0; // bytes that WritePartial and ReadShort move; 0: half
    std::uint32_t plugCount = 0;    // times plugged in: a session from an earlier plugging is gone
    // Power lost once the steps counter reaches this (0: never); that step is torn when cutTorn is
    // set. The camera stays gone until it is plugged in again, which clears the counters.
    std::uint32_t cutAfterSteps = 0;
    bool cutTorn = false;
    std::array<FaultRule, kFaultCount> faults{};

    FaultRule& Rule(Fault fault) { return faults[static_cast<std::size_t>(fault)]; }
    const FaultRule& Rule(Fault fault) const { return faults[static_cast<std::size_t>(fault)]; }
};

struct CameraCounters {
    std::uint32_t calls = 0; // every driver call, whatever its outcome
    std::uint32_t opens = 0;
    std::uint32_t versions = 0; // code version reads
    std::uint32_t erases = 0;
    std::uint32_t writes = 0;
    std::uint32_t reads = 0;
    // Every device step: an open, a version read, a sector erased, a page programmed, a transfer read.
    std::uint32_t steps = 0;
    std::uint64_t deviceMicros = 0; // time the device itself spent, as the timing model counts it
};

struct CameraState {
    CameraSettings settings;
    CameraCounters counters;
};

// How many calls of the operation that `fault` disturbs the camera has had: a rule's first calls
// count from its plugging in.
std::uint32_t CallsSoFar(const CameraState& state, Fault fault);

std::string FormatSettings(const CameraSettings& settings);
std::string FormatCounters(const CameraCounters& counters);
// Both, as one text; ParseState takes either file's keys.
std::string FormatState(const CameraState& state);
// Null for text that is not a state file: a line without "=", or a malformed or out-of-range value.
std::optional<CameraState> ParseState(std::string_view text);

// The folder named by TERVOLIN_VCAM, else a fixed folder of the current user's.
std::filesystem::path DefaultStateFolder();

// Reading and writing the folder. A text file is replaced whole (written beside it, then renamed
// over it) and ends with a closing line, so a reader sees the last whole file or, for a file cut
// short by other means, nothing. Loads fail on a missing, malformed or cut-short file, or a flash
// that is not exactly kFlashSize bytes.
std::optional<CameraSettings> LoadSettings(const std::filesystem::path& folder);
bool SaveSettings(const std::filesystem::path& folder, const CameraSettings& settings);
std::optional<CameraCounters> LoadCounters(const std::filesystem::path& folder);
bool SaveCounters(const std::filesystem::path& folder, const CameraCounters& counters);
// Settings and counters together. Saving both is for setting a camera up, not while it runs.
std::optional<CameraState> LoadState(const std::filesystem::path& folder);
bool SaveState(const std::filesystem::path& folder, const CameraState& state);
std::optional<FlashImage> LoadFlash(const std::filesystem::path& folder);
bool SaveFlash(const std::filesystem::path& folder, const FlashImage& flash);

// The settings as an operation reads them again at every step: parsed only when the text has
// changed since the last read.
class SettingsReader {
public:
    explicit SettingsReader(const std::filesystem::path& folder);
    std::optional<CameraSettings> Read();

private:
    std::filesystem::path m_path;
    std::string m_read, m_parsed; // kept, so that reading again allocates nothing
    CameraSettings m_settings;
};

// The flash opened for one operation: sectors and pages are read and written in place, each with
// one write, so a process ended between two of them leaves whole steps behind.
class FlashFile {
public:
    // False unless the flash is there with exactly kFlashSize bytes.
    bool Open(const std::filesystem::path& folder, bool writable);
    bool Read(std::uint32_t offset, std::uint8_t* data, std::size_t size);
    bool Write(std::uint32_t offset, const std::uint8_t* data, std::size_t size);

private:
    std::fstream m_file;
};
