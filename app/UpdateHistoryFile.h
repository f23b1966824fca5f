// The program's update history: %LOCALAPPDATA%\Tervolin\history.log, one record for every ending
// that involved the camera. Writing it never holds up, changes or fails anything else.
#pragma once

#include <filesystem>
#include <string>

#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"

class CUpdateHistoryFile {
public:
    explicit CUpdateHistoryFile(SwitchFlags flags) : m_flags(flags) {}

    // The folder of the history and the crash dumps; empty when LOCALAPPDATA is not usable.
    static std::filesystem::path Folder();
    // The time now, UTC, as records give it.
    static std::string UtcNow();

    // Appends `record` stamped with the time, the program's version, the switches and the target.
    // The code versions are taken as the camera wrote them, up to their first zero byte.
    void Record(HistoryRecord record) const;
    // When the last record is that of a run which began an update and never ended, records that
    // it was interrupted.
    void NoteInterruptedRun() const;

private:
    SwitchFlags m_flags;
};
