// Start-up phases for measuring: with TERVOLIN_TRACE_STARTUP=1 in the environment, each phase is
// written to the debugger as "tervolin startup: <phase> <ms> ms", the time since the process was
// created. Otherwise a phase costs one cached check.
#pragma once

void TraceStartup(const char* phase);
// The same, written only the first time it is reached (a phase inside a handler that runs again).
void TraceStartupOnce(const char* phase);
