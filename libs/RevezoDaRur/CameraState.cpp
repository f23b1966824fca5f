// The virtual camera's state folder: formats, parsing and file access.
#include "libs/RevezoDaRur/CameraState.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "libs/RevezoDaRur/AtomicFile.h"

namespace {

constexpr const char* kFaultNames[kFaultCount] = {
    "open-fail",     "erase-fail",  "erase-interrupt", "write-fail",   "write-nothing", "write-partial",
    "read-fail",     "read-short",  "read-flip",       "read-corrupt", "stuck-bits",    "crash-open",
    "crash-version", "crash-erase", "crash-write",     "crash-read",
};

constexpr const char* kSettingsFile = "camera.ini";
constexpr const char* kCountersFile = "counters.ini";
constexpr const char* kFlashFile = "flash.bin";
// The most a state file holds.
constexpr std::size_t kStateFileLimit = 64 * 1024;

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

// A fault's rule is written as its key's value: "fault.NAME=FIRST PER-MILLION".
constexpr std::string_view kFaultPrefix = "fault.";

bool ParseFaultRule(std::string_view text, FaultRule& rule) {
    text = Trim(text);
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return false;
    return ParseField(text.substr(0, blank), rule.firstCalls, UINT32_MAX) &&
           ParseField(text.substr(blank + 1), rule.perMillion, 1000000);
}

// One number of a state file: its key, the greatest value it takes, and the field that holds it.
template <typename Owner> struct Key {
    const char* name;
    std::uint64_t max;
    std::uint64_t (*get)(const Owner&);
    void (*set)(Owner&, std::uint64_t);
};

template <typename> struct MemberPointer;
template <typename Owner, typename T> struct MemberPointer<T Owner::*> {
    using Class = Owner;
    using Type = T;
};

// The key of `member`, which takes values up to `max`: by default the greatest its type holds (1
// for a flag).
template <auto member, typename M = MemberPointer<decltype(member)>>
constexpr Key<typename M::Class> KeyOf(const char* name,
                                       std::uint64_t max = std::numeric_limits<typename M::Type>::max()) {
    return {name, max,
            [](const typename M::Class& owner) { return static_cast<std::uint64_t>(owner.*member); },
            [](typename M::Class& owner, std::uint64_t value) {
                owner.*member = static_cast<typename M::Type>(value);
            }};
}

// camera.ini in its order, before the faults' keys.
constexpr Key<CameraSettings> kSettingsKeys[] = {
    KeyOf<&CameraSettings::plugged>("plugged"),
    KeyOf<&CameraSettings::realisticTimings>("realistic-timings"),
    KeyOf<&CameraSettings::timePercent>("time-percent", 100000),
    KeyOf<&CameraSettings::seed>("seed"),
    KeyOf<&CameraSettings::unplugAfterCalls>("unplug-after-calls"),
    KeyOf<&CameraSettings::corruptOffset>("corrupt-offset"),
    KeyOf<&CameraSettings::stuckOffset>("stuck-offset"),
    KeyOf<&CameraSettings::stuckMask>("stuck-mask", 0xFF),
    KeyOf<&CameraSettings::partialBytes>("partial-bytes"),
    KeyOf<&CameraSettings::plugCount>("plug-count"),
    KeyOf<&CameraSettings::cutAfterSteps>("cut-after-steps"),
    KeyOf<&CameraSettings::cutTorn>("cut-torn"),
};

// counters.ini in its order.
constexpr Key<CameraCounters> kCountersKeys[] = {
    KeyOf<&CameraCounters::calls>("calls"),       KeyOf<&CameraCounters::opens>("opens"),
    KeyOf<&CameraCounters::versions>("versions"), KeyOf<&CameraCounters::erases>("erases"),
    KeyOf<&CameraCounters::writes>("writes"),     KeyOf<&CameraCounters::reads>("reads"),
    KeyOf<&CameraCounters::steps>("steps"),       KeyOf<&CameraCounters::deviceMicros>("device-us"),
};

template <typename Owner, std::size_t N>
const Key<Owner>* FindKey(const Key<Owner> (&keys)[N], std::string_view name) {
    for (const Key<Owner>& key : keys) {
        if (name == key.name)
            return &key;
    }
    return nullptr;
}

template <typename Owner> bool ParseKey(const Key<Owner>& key, std::string_view text, Owner& owner) {
    std::uint64_t value = 0;
    if (!ParseNumber(text, key.max, value))
        return false;
    key.set(owner, value);
    return true;
}

template <typename Owner, std::size_t N>
void FormatKeys(std::ostream& out, const Key<Owner> (&keys)[N], const Owner& owner) {
    for (const Key<Owner>& k : keys)
        out << k.name << "=" << k.get(owner) << "\n";
}

bool ParseLine(std::string_view key, std::string_view value, CameraState& state) {
    if (key.substr(0, kFaultPrefix.size()) == kFaultPrefix) {
        const std::optional<Fault> fault = FaultFromName(key.substr(kFaultPrefix.size()));
        return fault && ParseFaultRule(value, state.settings.Rule(*fault));
    }
    if (const Key<CameraSettings>* setting = FindKey(kSettingsKeys, key))
        return ParseKey(*setting, value, state.settings);
    if (const Key<CameraCounters>* counter = FindKey(kCountersKeys, key))
        return ParseKey(*counter, value, state.counters);
    return true; // keys of a newer model are ignored
}

// The text of a state file that ends with its closing line.
bool ReadStateFile(const std::filesystem::path& path, std::string& text) {
    return ReadClosedTextFile(path, kStateFileLimit, text);
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
    case Fault::CrashOpen:
        return state.counters.opens;
    case Fault::CrashVersion:
        return state.counters.versions;
    case Fault::EraseFail:
    case Fault::EraseInterrupt:
    case Fault::StuckBits:
    case Fault::CrashErase:
        return state.counters.erases;
    case Fault::WriteFail:
    case Fault::WriteNothing:
    case Fault::WritePartial:
    case Fault::CrashWrite:
        return state.counters.writes;
    default:
        return state.counters.reads;
    }
}

std::string FormatSettings(const CameraSettings& s) {
    std::ostringstream out;
    out << "# Virtual SN9C250 camera: settings and faults (first calls, chance per million)\n";
    FormatKeys(out, kSettingsKeys, s);
    for (std::size_t i = 0; i < kFaultCount; ++i)
        out << kFaultPrefix << kFaultNames[i] << "=" << s.faults[i].firstCalls << " "
            << s.faults[i].perMillion << "\n";
    return out.str();
}

std::string FormatCounters(const CameraCounters& c) {
    std::ostringstream out;
    out << "# Virtual SN9C250 camera: call counters and the time the device spent\n";
    FormatKeys(out, kCountersKeys, c);
    return out.str();
}

std::string FormatState(const CameraState& state) {
    return FormatSettings(state.settings) + FormatCounters(state.counters);
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

std::optional<CameraSettings> LoadSettings(const std::filesystem::path& folder) {
    return SettingsReader(folder).Read();
}

SettingsReader::SettingsReader(const std::filesystem::path& folder) : m_path(folder / kSettingsFile) {}

std::optional<CameraSettings> SettingsReader::Read() {
    if (!ReadStateFile(m_path, m_read))
        return std::nullopt;
    if (m_parsed.empty() || m_read != m_parsed) {
        const std::optional<CameraState> state = ParseState(m_read);
        if (!state)
            return std::nullopt;
        m_parsed = m_read;
        m_settings = state->settings;
    }
    return m_settings;
}

bool SaveSettings(const std::filesystem::path& folder, const CameraSettings& settings) {
    return ReplaceClosedTextFile(folder / kSettingsFile, FormatSettings(settings));
}

std::optional<CameraCounters> LoadCounters(const std::filesystem::path& folder) {
    std::string text;
    if (!ReadStateFile(folder / kCountersFile, text))
        return std::nullopt;
    const std::optional<CameraState> state = ParseState(text);
    return state ? std::optional<CameraCounters>(state->counters) : std::nullopt;
}

bool SaveCounters(const std::filesystem::path& folder, const CameraCounters& counters) {
    return ReplaceClosedTextFile(folder / kCountersFile, FormatCounters(counters));
}

std::optional<CameraState> LoadState(const std::filesystem::path& folder) {
    std::optional<CameraSettings> settings = LoadSettings(folder);
    std::optional<CameraCounters> counters = LoadCounters(folder);
    if (!settings || !counters)
        return std::nullopt;
    return CameraState{*settings, *counters};
}

bool SaveState(const std::filesystem::path& folder, const CameraState& state) {
    return SaveSettings(folder, state.settings) && SaveCounters(folder, state.counters);
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
    return flash.size() == kFlashSize &&
           ReplaceFileAtomically(folder / kFlashFile, flash.data(), flash.size());
}

bool FlashFile::Open(const std::filesystem::path& folder, bool writable) {
    // Unbuffered: each step's read or write goes to the file at once, in one piece.
    m_file.rdbuf()->pubsetbuf(nullptr, 0);
    m_file.open(folder / kFlashFile,
                std::ios::binary | std::ios::in | (writable ? std::ios::out : std::ios::openmode{}));
    if (!m_file)
        return false;
    m_file.seekg(0, std::ios::end);
    return m_file && static_cast<std::streamoff>(m_file.tellg()) == static_cast<std::streamoff>(kFlashSize);
}

bool FlashFile::Read(std::uint32_t offset, std::uint8_t* data, std::size_t size) {
    if (offset > kFlashSize || size > kFlashSize - offset)
        return false;
    m_file.seekg(offset);
    m_file.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(size));
    return m_file && m_file.gcount() == static_cast<std::streamsize>(size);
}

bool FlashFile::Write(std::uint32_t offset, const std::uint8_t* data, std::size_t size) {
    if (offset > kFlashSize || size > kFlashSize - offset)
        return false;
    m_file.seekp(offset);
    m_file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    m_file.flush();
    return static_cast<bool>(m_file);
}
