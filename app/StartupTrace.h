// Start-up phases for measuring: with TERVOLIN_TRACE_STARTUP=1 in the environment, each phase is
// written to the debugger as "tervolin startup: <phase> <ms> ms", the time since the process was
// created. Otherwise a phase costs one cached check.
#pragma once

#include <windows.h>

// Milliseconds from the creation of `process` to now, on the clock the trace uses: the system
// time to the tick where the system has it (Windows 8 on), else to the clock interrupt.
double MillisecondsSinceCreation(HANDLE process);

void TraceStartup(const char* phase);
// The same, written only the first time it is reached (a phase inside a handler that runs again).
void TraceStartupOnce(const char* phase);
