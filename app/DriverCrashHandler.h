// What happens when the camera's driver library faults inside one of its calls: the fault goes
// into the update history with a minidump beside it, and the program ends with kExitDriverFailed.
// A fault on the flashing worker is first told to the update dialog, whose thread is free to show
// it; a fault on the user-interface thread ends the program at once, since that thread may have
// been left holding anything.
#pragma once

#include <windows.h>

#include "core/UpdateChecks.h"

class CDriverCrashHandler {
public:
    // Installs the handlers for the life of the process; `flags` go into the crash's record.
    static void Install(SwitchFlags flags);
    // True once a driver call has faulted; its record and dump are written by then.
    static bool HasCrashed();

    // Marks the calling thread as inside the driver function `name` while it lives. Only a fault
    // while a thread is so marked is the driver's.
    class CCall {
    public:
        explicit CCall(const char* name);
        ~CCall();
        CCall(const CCall&) = delete;
        CCall& operator=(const CCall&) = delete;
    };

    // While it lives, a fault on the calling thread is posted to `window` as WM_DRIVER_FAILED, and
    // the thread waits to be ended with the program.
    class CWorker {
    public:
        explicit CWorker(HWND window);
        ~CWorker();
        CWorker(const CWorker&) = delete;
        CWorker& operator=(const CWorker&) = delete;
    };
};
