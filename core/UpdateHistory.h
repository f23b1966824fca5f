// The update history: one line for every ending that involved the camera, appended to a file that
// a support desk can read. A line is tab-separated key=value pairs in UTF-8; text that came from
// the camera is kept to printable ASCII, with everything else escaped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ExitCodes.h"
#include "core/FlashWorker.h"

// How a run of the program, or a step of it, ended.
enum class Ending {
    Updated,       // an update was verified
    UpdateFailed,  // every attempt failed
    Cancelled,     // the user left the main window
    NoCamera,      // no camera found, or the driver could not be reached
    AlreadyLatest, // the camera has the target firmware already
    Begun,         // an update is about to erase the flash; the run's ending follows
    Interrupted,   // a run that had begun an update never ended: noticed by a later run
    Crashed,       // the driver library faulted inside a call
    ImageDamaged,  // the firmware image to install did not match its digest; the camera untouched
    UpdateDue,     // /check: the camera does not hold the target firmware (never recorded)
};

const char* EndingName(Ending ending);

struct HistoryRecord {
    std::string time;    // UTC, ISO 8601
    std::string version; // the program's
    bool force = false;
    bool old = false;
    std::string mode;   // "quiet" for an unattended update; empty for a run with windows
    std::string before; // the code version the camera reported, as it reported it; empty if unread
    int targetImage = 0;
    std::string targetName;
    Ending ending = Ending::Cancelled;
    int exitCode = 0;
    std::vector<FlashAttempt> attempts; // an update's, in order
    std::string driver;                 // why the driver library was not used; empty when it was
    // A crash: the exception code in hexadecimal, where it happened (module+offset), the driver
    // function that was running, and the minidump's file name.
    std::string crashCode, crashAt, crashCall, dump;
    std::string after; // the code version when the record was written
};

constexpr std::uint64_t kHistoryLimit = 1024 * 1024; // past this size the file starts afresh
constexpr char kHistoryHeader[] =
    "# Tervolin update history: one record per line, tab-separated key=value pairs, UTF-8\n";

// `text` with every byte outside printable ASCII, and the backslash, written as \xNN.
std::string EscapeText(std::string_view text);
// One line, ending in a line feed. A begun record has no exit code yet ("exit=-"); the fields of a
// driver problem and of a crash are there only when set.
std::string FormatRecord(const HistoryRecord& record);
// When `line` is a begun record, the record that says its run never ended: the same fields with
// the ending "interrupted" and the time `noticed`. Nothing for any other line.
std::optional<std::string> InterruptedRecord(std::string_view line, std::string_view noticed);
// The pairs of a whole record line, with or without its line feed; nothing for a comment, a torn
// line, two lines run together, or anything else.
std::optional<std::map<std::string, std::string>> ParseRecord(std::string_view line);

// A record's attempts field as a reader would say it: "1 erase ok, read ok, differs at 0; 2 ...".
std::string DescribeAttempts(std::string_view attempts);

// Appends one line to history.log in `folder`, creating both as needed. When the file has passed
// kHistoryLimit it becomes history.1.log, replacing an older one. The line goes out in one write,
// on a line of its own even after a torn one. False when anything failed; nothing waits or retries.
bool AppendHistory(const std::filesystem::path& folder, const std::string& line);
// The last whole record line of history.log in `folder`, without its line feed; empty when there
// is none.
std::string LastHistoryLine(const std::filesystem::path& folder);
// The records of history.log in `folder`, oldest first; lines that are not whole records are
// left out.
std::vector<std::map<std::string, std::string>> ReadHistory(const std::filesystem::path& folder);
