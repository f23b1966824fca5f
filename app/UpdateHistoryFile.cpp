// Writing the update history.
#include "app/UpdateHistoryFile.h"

#include <windows.h>

#include <cstdio>

#include "core/FirmwareVersion.h"
#include "res/Version.h"

namespace {

// The code version as it would print: up to its first zero byte, unless more follows that.
std::string Trimmed(std::string version) {
    while (!version.empty() && version.back() == '\0')
        version.pop_back();
    return version;
}

} // namespace

std::filesystem::path CUpdateHistoryFile::Folder() {
    wchar_t local[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::filesystem::path(local) / L"Tervolin";
}

std::string CUpdateHistoryFile::UtcNow() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

void CUpdateHistoryFile::Record(HistoryRecord record) const {
    const std::filesystem::path folder = Folder();
    if (folder.empty())
        return;
    const TargetFirmware target = TargetFirmwareFor(m_flags.old);
    record.time = UtcNow();
    record.version = TERVOLIN_VERSION_TEXT;
    record.force = m_flags.force;
    record.old = m_flags.old;
    record.mode = m_flags.quiet ? "quiet" : "";
    record.before = Trimmed(record.before);
    record.targetImage = target.imageResourceId;
    record.targetName = GetFirmwareName(target.codeVersion);
    record.after = Trimmed(record.after);
    AppendHistory(folder, FormatRecord(record));
}

void CUpdateHistoryFile::NoteInterruptedRun() const {
    const std::filesystem::path folder = Folder();
    if (folder.empty())
        return;
    if (const std::optional<std::string> interrupted = InterruptedRecord(LastHistoryLine(folder), UtcNow()))
        AppendHistory(folder, *interrupted);
}
