// The update history file.
#include "core/UpdateHistory.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace {

constexpr const char* kFile = "history.log";
constexpr const char* kOlderFile = "history.1.log";

std::string Attempts(const std::vector<FlashAttempt>& attempts) {
    // "erase:ok read:ok", then "differs@OFFSET" when the comparison failed, per attempt.
    std::string text;
    for (const FlashAttempt& a : attempts) {
        if (!text.empty())
            text += ';';
        text +=
            std::string("erase:") + (a.erased ? "ok" : "failed") + ",read:" + (a.readBack ? "ok" : "failed");
        if (a.firstDifference)
            text += ",differs@" + std::to_string(*a.firstDifference);
    }
    return text.empty() ? "-" : text;
}

bool EndsWithLineFeed(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (size <= 0)
        return true;
    in.seekg(size - 1);
    return in.get() == '\n';
}

} // namespace

const char* EndingName(Ending ending) {
    switch (ending) {
    case Ending::Updated:
        return "updated";
    case Ending::UpdateFailed:
        return "update-failed";
    case Ending::Cancelled:
        return "cancelled";
    case Ending::NoCamera:
        return "no-camera";
    case Ending::AlreadyLatest:
        return "already-latest";
    }
    return "unknown";
}

std::string EscapeText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            escaped += c;
        } else {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            escaped += code;
        }
    }
    return escaped;
}

std::string FormatRecord(const HistoryRecord& r) {
    const std::string switches =
        std::string(r.force ? "/force" : "") + (r.force && r.old ? " " : "") + (r.old ? "/old" : "");
    std::string line = "time=" + r.time;
    line += "\tversion=" + EscapeText(r.version);
    line += "\tswitches=" + (switches.empty() ? std::string("-") : switches);
    line += "\tbefore=" + EscapeText(r.before);
    line += "\ttarget=" + std::to_string(r.targetImage);
    line += "\ttarget-name=" + EscapeText(r.targetName);
    line += std::string("\tending=") + EndingName(r.ending);
    line += "\texit=" + std::to_string(r.exitCode);
    line += "\tattempts=" + Attempts(r.attempts);
    line += "\tafter=" + EscapeText(r.after);
    return line + "\n";
}

std::optional<std::map<std::string, std::string>> ParseRecord(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.empty() || line.front() == '#')
        return std::nullopt;
    std::map<std::string, std::string> pairs;
    while (!line.empty()) {
        const std::size_t tab = line.find('\t');
        const std::string_view pair = line.substr(0, tab);
        line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        const std::size_t equals = pair.find('=');
        // A key twice is two records run together.
        if (equals == std::string_view::npos || equals == 0 ||
            !pairs.emplace(pair.substr(0, equals), pair.substr(equals + 1)).second)
            return std::nullopt;
    }
    // A record is written whole, "after" last: one without it was cut off.
    for (const char* key : {"time", "ending", "exit", "after"}) {
        if (pairs.count(key) == 0)
            return std::nullopt;
    }
    return pairs;
}

std::string DescribeAttempts(std::string_view attempts) {
    if (attempts == "-")
        return "-";
    std::string text = "1 ";
    int number = 1;
    for (const char c : attempts) {
        if (c == ';')
            text += "; " + std::to_string(++number) + " ";
        else if (c == ':')
            text += ' ';
        else if (c == ',')
            text += ", ";
        else if (c == '@')
            text += " at ";
        else
            text += c;
    }
    return text;
}

bool AppendHistory(const std::filesystem::path& folder, const std::string& line) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path path = folder / kFile;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const bool exists = !error;
    bool fresh = !exists;
    if (exists && size > kHistoryLimit) {
        std::filesystem::rename(path, folder / kOlderFile, error);
        if (error) {
            // Where rename does not replace, make room first.
            std::filesystem::remove(folder / kOlderFile, error);
            std::filesystem::rename(path, folder / kOlderFile, error);
        }
        fresh = !error;
    }
    std::string text = line;
    if (fresh)
        text = kHistoryHeader + text;
    else if (!EndsWithLineFeed(path))
        text = "\n" + text; // after a torn line, start a line of our own
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"ab");
#else
    std::FILE* file = std::fopen(path.c_str(), "ab");
#endif
    if (file == nullptr)
        return false;
    std::setvbuf(file, nullptr, _IONBF, 0); // one write for the whole text
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::vector<std::map<std::string, std::string>> ReadHistory(const std::filesystem::path& folder) {
    std::vector<std::map<std::string, std::string>> records;
    std::ifstream in(folder / kFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (std::optional<std::map<std::string, std::string>> record = ParseRecord(line))
            records.push_back(std::move(*record));
    }
    return records;
}
