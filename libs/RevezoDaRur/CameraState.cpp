// The virtual camera's state folder: formats, parsing and file access.
#include "CameraState.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr const char* kFaultNames[kFaultCount] = {
    "open-fail", "erase-fail", "erase-interrupt", "write-fail",   "write-nothing", "write-partial",
    "read-fail", "read-short", "read-flip",       "read-corrupt", "stuck-bits",
};

constexpr char kMagic[8] = {'S', 'N', '9', 'C', '2', '5', '0', '\0'};
constexpr char kBootRomVersion[] = "SN9C250 BOOT ROM 1.00";

constexpr const char* kStateFile = "camera.ini";
constexpr const char* kFlashFile = "flash.bin";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A whole decimal or 0x-prefixed hexadecimal number no greater than `max`.
bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value) {
    text = Trim(text);
    if (text.empty() || text.size() > 24 || text.front() == '-' || text.front() == '+')
        return false;
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(copy.c_str(), &end, 0);
    if (errno != 0 || end != copy.c_str() + copy.size() || parsed > max)
        return false;
    value = parsed;
    return true;
}

template <typename T> bool ParseField(std::string_view text, T& field, std::uint64_t max) {
    std::uint64_t value = 0;
    if (!ParseNumber(text, max, value))
        return false;
    field = static_cast<T>(value);
    return true;
}

bool ParseFaultRule(std::string_view text, FaultRule& rule) {
    text = Trim(text);
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return false;
    return ParseField(text.substr(0, blank), rule.firstCalls, UINT32_MAX) &&
           ParseField(text.substr(blank + 1), rule.perMillion, 1000000);
}

bool ParseLine(std::string_view key, std::string_view value, CameraState& state) {
    CameraSettings& s = state.settings;
    CameraCounters& c = state.counters;
    if (key.substr(0, 6) == "fault.") {
        const std::optional<Fault> fault = FaultFromName(key.substr(6));
        return fault && ParseFaultRule(value, s.Rule(*fault));
    }
    if (key == "plugged")
        return ParseField(value, s.plugged, 1);
    if (key == "realistic-timings")
        return ParseField(value, s.realisticTimings, 1);
    if (key == "time-percent")
        return ParseField(value, s.timePercent, 100000);
    if (key == "seed")
        return ParseField(value, s.seed, UINT64_MAX);
    if (key == "unplug-after-calls")
        return ParseField(value, s.unplugAfterCalls, UINT32_MAX);
    if (key == "corrupt-offset")
        return ParseField(value, s.corruptOffset, UINT32_MAX);
    if (key == "stuck-offset")
        return ParseField(value, s.stuckOffset, UINT32_MAX);
    if (key == "stuck-mask")
        return ParseField(value, s.stuckMask, 0xFF);
    if (key == "partial-bytes")
        return ParseField(value, s.partialBytes, UINT32_MAX);
    if (key == "calls")
        return ParseField(value, c.calls, UINT32_MAX);
    if (key == "opens")
        return ParseField(value, c.opens, UINT32_MAX);
    if (key == "erases")
        return ParseField(value, c.erases, UINT32_MAX);
    if (key == "writes")
        return ParseField(value, c.writes, UINT32_MAX);
    if (key == "reads")
        return ParseField(value, c.reads, UINT32_MAX);
    if (key == "device-us")
        return ParseField(value, c.deviceMicros, UINT64_MAX);
    return true; // keys of a newer model are ignored
}

std::optional<std::string> ReadFile(const std::filesystem::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        data.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (data.size() > limit)
            return std::nullopt;
    }
    return data;
}

bool WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

const char* FaultName(Fault fault) {
    return kFaultNames[static_cast<std::size_t>(fault)];
}

std::optional<Fault> FaultFromName(std::string_view name) {
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        if (name == kFaultNames[i])
            return static_cast<Fault>(i);
    }
    return std::nullopt;
}

std::uint32_t CallsSoFar(const CameraState& state, Fault fault) {
    switch (fault) {
    case Fault::OpenFail:
        return state.counters.opens;
    case Fault::EraseFail:
    case Fault::EraseInterrupt:
    case Fault::StuckBits:
        return state.counters.erases;
    case Fault::WriteFail:
    case Fault::WriteNothing:
    case Fault::WritePartial:
        return state.counters.writes;
    default:
        return state.counters.reads;
    }
}

std::string FormatState(const CameraState& state) {
    const CameraSettings& s = state.settings;
    const CameraCounters& c = state.counters;
    std::ostringstream out;
    out << "# Virtual SN9C250 camera: settings, faults (first calls, chance per million), counters\n"
        << "plugged=" << s.plugged << "\n"
        << "realistic-timings=" << s.realisticTimings << "\n"
        << "time-percent=" << s.timePercent << "\n"
        << "seed=" << s.seed << "\n"
        << "unplug-after-calls=" << s.unplugAfterCalls << "\n"
        << "corrupt-offset=" << s.corruptOffset << "\n"
        << "stuck-offset=" << s.stuckOffset << "\n"
        << "stuck-mask=" << s.stuckMask << "\n"
        << "partial-bytes=" << s.partialBytes << "\n";
    for (std::size_t i = 0; i < kFaultCount; ++i)
        out << "fault." << kFaultNames[i] << "=" << s.faults[i].firstCalls << " " << s.faults[i].perMillion
            << "\n";
    out << "calls=" << c.calls << "\n"
        << "opens=" << c.opens << "\n"
        << "erases=" << c.erases << "\n"
        << "writes=" << c.writes << "\n"
        << "reads=" << c.reads << "\n"
        << "device-us=" << c.deviceMicros << "\n";
    return out.str();
}

std::optional<CameraState> ParseState(std::string_view text) {
    CameraState state;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        if (!ParseLine(Trim(line.substr(0, equals)), line.substr(equals + 1), state))
            return std::nullopt;
    }
    return state;
}

std::filesystem::path DefaultStateFolder() {
    if (const char* named = std::getenv("TERVOLIN_VCAM"); named != nullptr && *named != '\0')
        return named;
    if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != '\0')
        return std::filesystem::path(local) / "Tervolin" / "VirtualCamera";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".tervolin-vcam";
    return "tervolin-vcam";
}

std::optional<CameraState> LoadState(const std::filesystem::path& folder) {
    const std::optional<std::string> text = ReadFile(folder / kStateFile, 64 * 1024);
    if (!text)
        return std::nullopt;
    return ParseState(*text);
}

bool SaveState(const std::filesystem::path& folder, const CameraState& state) {
    const std::string text = FormatState(state);
    return WriteFile(folder / kStateFile, text.data(), text.size());
}

std::optional<FlashImage> LoadFlash(const std::filesystem::path& folder) {
    std::ifstream in(folder / kFlashFile, std::ios::binary);
    FlashImage flash(kFlashSize + 1);
    in.read(reinterpret_cast<char*>(flash.data()), static_cast<std::streamsize>(flash.size()));
    if (in.gcount() != static_cast<std::streamsize>(kFlashSize))
        return std::nullopt;
    flash.pop_back();
    return flash;
}

bool SaveFlash(const std::filesystem::path& folder, const FlashImage& flash) {
    return flash.size() == kFlashSize && WriteFile(folder / kFlashFile, flash.data(), flash.size());
}

std::string ReportedCodeVersion(const FlashImage& flash) {
    if (flash.size() < sizeof kMagic || std::memcmp(flash.data(), kMagic, sizeof kMagic) != 0)
        return kBootRomVersion;
    std::string text;
    for (std::size_t i = sizeof kMagic; i < flash.size() && flash[i] != 0 && text.size() < 51; ++i)
        text += static_cast<char>(flash[i]);
    return text;
}
