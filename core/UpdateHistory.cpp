// The update history file.
#include "core/UpdateHistory.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
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
    case Ending::Begun:
        return "begun";
    case Ending::Interrupted:
        return "interrupted";
    case Ending::Crashed:
        return "crashed";
    case Ending::ImageDamaged:
        return "image-damaged";
    case Ending::UpdateDue:
        return "update-due";
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
    if (!r.mode.empty())
        line += "\tmode=" + EscapeText(r.mode);
    line += "\tbefore=" + EscapeText(r.before);
    line += "\ttarget=" + std::to_string(r.targetImage);
    line += "\ttarget-name=" + EscapeText(r.targetName);
    line += std::string("\tending=") + EndingName(r.ending);
    line += "\texit=" + (r.ending == Ending::Begun ? std::string("-") : std::to_string(r.exitCode));
    line += "\tattempts=" + Attempts(r.attempts);
    const std::pair<const char*, const std::string*> optional[] = {
        {"driver", &r.driver},  {"code", &r.crashCode}, {"at", &r.crashAt},
        {"call", &r.crashCall}, {"dump", &r.dump},
    };
    for (const auto& [key, value] : optional) {
        if (!value->empty())
            line += std::string("\t") + key + "=" + EscapeText(*value);
    }
    line += "\tafter=" + EscapeText(r.after);
    return line + "\n";
}

std::optional<std::string> InterruptedRecord(std::string_view line, std::string_view noticed) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::optional<std::map<std::string, std::string>> record = ParseRecord(line);
    if (!record || record->at("ending") != EndingName(Ending::Begun))
        return std::nullopt;
    // Written whole, the record has its ending before its last field, "after".
    constexpr std::string_view kBegun = "\tending=begun\t";
    const std::size_t ending = line.find(kBegun);
    const std::size_t after = line.rfind("\tafter=");
    if (ending == std::string_view::npos || after == std::string_view::npos || after < ending)
        return std::nullopt;
    std::string text(line.substr(0, ending));
    text += "\tending=" + std::string(EndingName(Ending::Interrupted)) + "\t";
    text += line.substr(ending + kBegun.size(), after - ending - kBegun.size());
    text += "\tnoticed=" + EscapeText(noticed);
    text += line.substr(after);
    return text + "\n";
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
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(_wfopen(path.c_str(), L"ab"), std::fclose);
#else
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "ab"), std::fclose);
#endif
    if (file == nullptr)
        return false;
    std::setvbuf(file.get(), nullptr, _IONBF, 0); // one write for the whole text
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written; // a close that fails loses the line too
}

std::string LastHistoryLine(const std::filesystem::path& folder) {
    // Records are short: the end of the file holds the last whole one.
    constexpr std::streamoff kTail = 16 * 1024;
    std::ifstream in(folder / kFile, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    const std::streamoff size = in.tellg();
    const std::streamoff start = size > kTail ? size - kTail : 0;
    in.seekg(start);
    std::string tail(static_cast<std::size_t>(size - start), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<std::size_t>(in.gcount()));
    std::string_view rest(tail);
    if (start > 0) // the first line may have begun before the tail
        rest.remove_prefix(std::min(rest.size(), rest.find('\n') + 1));
    std::string last;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (ParseRecord(line))
            last = line;
    }
    return last;
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
