// The update history as any bytes: records a reader finds in the file, and records written from
// text that came from the camera or the driver.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/UpdateHistory.h"

namespace {

// A record line, whatever its bytes: its pairs are its fields, each key once, the four a whole
// record ends with among them.
void CheckRead(std::string_view line) {
    const auto pairs = ParseRecord(line);
    if (!pairs)
        return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    std::size_t fields = 1;
    for (const char c : line)
        fields += c == '\t';
    if (pairs->size() != fields)
        __builtin_trap();
    for (const char* key : {"time", "ending", "exit", "after"}) {
        if (pairs->count(key) == 0)
            __builtin_trap();
    }
    for (const auto& [key, value] : *pairs) {
        if (key.empty() || key.find_first_of("=\t\n") != std::string::npos ||
            value.find('\t') != std::string::npos)
            __builtin_trap();
    }
}

// Splits the input at its zero bytes: the texts of a record.
std::vector<std::string> Pieces(std::string_view data, std::size_t count) {
    std::vector<std::string> pieces(count);
    for (std::size_t i = 0; i < count && !data.empty(); ++i) {
        const std::size_t zero = data.find('\0');
        pieces[i] = data.substr(0, zero);
        data = zero == std::string_view::npos ? std::string_view() : data.substr(zero + 1);
    }
    return pieces;
}

// A begun record written from any texts reads back with those texts, and a later run turns it into
// an interrupted one that keeps every field and adds when it was noticed.
void CheckWritten(std::string_view data) {
    const std::vector<std::string> p = Pieces(data, 11);
    HistoryRecord record;
    record.time = "2026-01-01T00:00:00Z";
    record.version = p[0];
    record.mode = p[1];
    record.before = p[2];
    record.targetName = p[3];
    record.driver = p[4];
    record.crashCode = p[5];
    record.crashAt = p[6];
    record.after = p[7];
    record.ending = Ending::Begun;
    for (const char c : p[8]) {
        FlashAttempt attempt{(c & 1) != 0, (c & 2) != 0, std::nullopt};
        if (c & 4)
            attempt.firstDifference = static_cast<std::uint8_t>(c);
        record.attempts.push_back(attempt);
    }
    const std::string line = FormatRecord(record);
    const auto pairs = ParseRecord(line);
    if (!pairs || pairs->at("version") != EscapeText(p[0]) || pairs->at("before") != EscapeText(p[2]) ||
        pairs->at("after") != EscapeText(p[7]) || pairs->at("exit") != "-")
        __builtin_trap();
    // The description numbers the attempts from 1, the last one last.
    const std::string described = DescribeAttempts(pairs->at("attempts"));
    const std::size_t count = record.attempts.size();
    if (count > 0 && (described.rfind(std::to_string(count) + " erase ") == std::string::npos ||
                      described.find("; " + std::to_string(count + 1) + " ") != std::string::npos))
        __builtin_trap();
    const std::optional<std::string> interrupted = InterruptedRecord(line, p[9]);
    const auto after = interrupted ? ParseRecord(*interrupted) : std::nullopt;
    if (!after || after->at("ending") != "interrupted" || after->at("noticed") != EscapeText(p[9]) ||
        after->size() != pairs->size() + 1)
        __builtin_trap();
    for (const auto& [key, value] : *pairs) {
        if (key != "ending" && after->at(key) != value)
            __builtin_trap();
    }
    CheckRead(*interrupted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckRead(text);
    // Whatever a later run makes of any line is a whole record again.
    const std::size_t zero = text.find('\0');
    const std::string_view line = text.substr(0, zero);
    if (const std::optional<std::string> interrupted =
            InterruptedRecord(line, zero == std::string_view::npos ? "" : text.substr(zero + 1))) {
        if (!ParseRecord(line) || !ParseRecord(*interrupted))
            __builtin_trap();
    }
    CheckWritten(text);
    return 0;
}
