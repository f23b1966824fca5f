// The program's update history: %LOCALAPPDATA%\Tervolin\history.log, one record for every ending
// that involved the camera. Writing it never holds up, changes or fails anything else.
#pragma once

#include <string>
#include <vector>

#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"

class CUpdateHistoryFile {
public:
    explicit CUpdateHistoryFile(SwitchFlags flags) : m_flags(flags) {}

    // Appends a record stamped with the time, the program's version, the switches and the target.
    void Record(Ending ending, int exitCode, const std::string& before, const std::string& after,
                const std::vector<FlashAttempt>& attempts = {}) const;

private:
    SwitchFlags m_flags;
};
