// Writing the update history.
#include "app/UpdateHistoryFile.h"

#include <windows.h>

#include <cstdio>

#include "core/FirmwareVersion.h"
#include "res/Version.h"

namespace {

std::string UtcNow() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

// The code version as it would print: up to its first zero byte, unless more follows that.
std::string Trimmed(std::string version) {
    while (!version.empty() && version.back() == '\0')
        version.pop_back();
    return version;
}

} // namespace

void CUpdateHistoryFile::Record(Ending ending, int exitCode, const std::string& before,
                                const std::string& after, const std::vector<FlashAttempt>& attempts) const {
    wchar_t local[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const TargetFirmware target = TargetFirmwareFor(m_flags.old);
    HistoryRecord record;
    record.time = UtcNow();
    record.version = TERVOLIN_VERSION_TEXT;
    record.force = m_flags.force;
    record.old = m_flags.old;
    record.before = Trimmed(before);
    record.targetImage = target.imageResourceId;
    record.targetName = GetFirmwareName(target.codeVersion);
    record.ending = ending;
    record.exitCode = exitCode;
    record.attempts = attempts;
    record.after = Trimmed(after);
    AppendHistory(std::filesystem::path(local) / L"Tervolin", FormatRecord(record));
}
