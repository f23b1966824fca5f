// Start-up phases written to the debugger.
#include "app/StartupTrace.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace {

bool TraceEnabled() {
    static const bool enabled = [] {
        char value[4] = {};
        return GetEnvironmentVariableA("TERVOLIN_TRACE_STARTUP", value, sizeof value) == 1 && value[0] == '1';
    }();
    return enabled;
}

ULONGLONG Ticks(const FILETIME& time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FILETIME SystemTimeNow() {
    using PreciseFn = VOID(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now{};
    if (precise != nullptr)
        precise(&now);
    else
        GetSystemTimeAsFileTime(&now);
    return now;
}

} // namespace

double MillisecondsSinceCreation(HANDLE process) {
    FILETIME creation{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &creation, &exited, &kernel, &user))
        return 0;
    return static_cast<double>(Ticks(SystemTimeNow()) - Ticks(creation)) / 10000.0; // 100 ns ticks
}

void TraceStartup(const char* phase) {
    if (!TraceEnabled())
        return;
    char line[160];
    std::snprintf(line, sizeof line, "tervolin startup: %s %.1f ms\n", phase,
                  MillisecondsSinceCreation(GetCurrentProcess()));
    OutputDebugStringA(line);
}

void TraceStartupOnce(const char* phase) {
    if (!TraceEnabled())
        return;
    static std::mutex guard;
    static std::set<std::string> written;
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (!written.insert(phase).second)
            return;
    }
    TraceStartup(phase);
}
