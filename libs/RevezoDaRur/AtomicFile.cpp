// Whole-file replacement by rename, and the closing line of text files.
#include "libs/RevezoDaRur/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string_view>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The last line of every text file written here: a file without it was cut short.
constexpr std::string_view kClosingLine = "# end";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Plain file descriptors into a reused string: the camera reads its settings at every step, and a
// stream costs several times as much to open.
bool ReadWholeFile(const std::filesystem::path& path, std::size_t limit, std::string& data) {
#ifdef _WIN32
    const int file = _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    const int file = open(path.c_str(), O_RDONLY);
#endif
    if (file < 0)
        return false;
    data.clear();
    char chunk[4096];
    bool whole = true;
    for (;;) {
#ifdef _WIN32
        const int got = _read(file, chunk, sizeof chunk);
#else
        const ssize_t got = read(file, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
#endif
        if (got <= 0) {
            whole = got == 0;
            break;
        }
        data.append(chunk, static_cast<std::size_t>(got));
        if (data.size() > limit) {
            whole = false;
            break;
        }
    }
#ifdef _WIN32
    _close(file);
#else
    close(file);
#endif
    return whole;
}

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

// Renames `from` over `to` in one step: a reader opens either the old file or the new one.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    // Another process may have the file open for a moment (vcam reading it, the camera reading
    // its settings between steps); Windows refuses the rename until it lets go.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            return false;
        Sleep(10);
    }
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

} // namespace

bool ReplaceFileAtomically(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::filesystem::path temporary = path;
    temporary += "." + std::to_string(ProcessId()) + "-" +
                 std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id()) % 1000000) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (out && RenameOver(temporary, path))
            return true;
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

bool ReplaceClosedTextFile(const std::filesystem::path& path, std::string text) {
    text.append(kClosingLine).append("\n");
    return ReplaceFileAtomically(path, text.data(), text.size());
}

bool ReadClosedTextFile(const std::filesystem::path& path, std::size_t limit, std::string& text) {
    if (!ReadWholeFile(path, limit, text))
        return false;
    std::string_view rest = text;
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
        rest.remove_suffix(1);
    const std::size_t lastLine = rest.rfind('\n');
    std::string_view last = rest.substr(lastLine == std::string_view::npos ? 0 : lastLine + 1);
    while (!last.empty() && IsBlank(last.front()))
        last.remove_prefix(1);
    while (!last.empty() && IsBlank(last.back()))
        last.remove_suffix(1);
    return last == kClosingLine;
}
