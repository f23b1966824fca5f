// CQuietUpdate: /quiet, an update for deployment tools. It takes the decisions the main window
// would take, with its question answered yes, and runs the same flashing worker, but shows
// nothing at all: the worker reports to a window that is never made visible and that only holds
// off sleep and shutdown while the flash is written. It never waits for input; the outcome is
// the exit code and a history record with mode=quiet.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/FlashThread.h"
#include "app/UpdateHistoryFile.h"
#include "app/UpdateInProgress.h"
#include "core/UpdateChecks.h"

class CQuietUpdate {
public:
    explicit CQuietUpdate(SwitchFlags flags) : m_flags(flags), m_history(flags) {}
    CQuietUpdate(const CQuietUpdate&) = delete;
    CQuietUpdate& operator=(const CQuietUpdate&) = delete;

    // The whole run; its exit code.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The refusal that a check's message stands for, recorded; its exit code.
    int Refuse(const CheckMessage& message, const std::string& reported, const std::string& driverProblem);
    // Runs the flashing worker to its end; true when an attempt was verified.
    bool Flash();

    SwitchFlags m_flags;
    CUpdateHistoryFile m_history;
    CUpdateInProgress m_updating;
    CFlashJob m_job;
    std::optional<bool> m_verified; // the worker's result, once it came
};
