// Worker threads in the framework's manner: started with a priority, running or suspended, and by
// default deleting their own thread object when the thread ends.
#pragma once

#include <windows.h>

#include "framework/Handle.h"

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC threadProc, LPVOID param);
    virtual ~CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Creates the thread; CREATE_SUSPENDED in `createFlags` leaves it waiting for ResumeThread.
    bool CreateThread(DWORD createFlags = 0, UINT stackSize = 0);
    bool SetThreadPriority(int priority);
    DWORD ResumeThread();
    HANDLE Handle() const { return m_hThread.Get(); }

    // With auto-delete on (the default) the object deletes itself when the thread ends, so once
    // the thread runs nobody may touch it.
    void SetAutoDelete(bool autoDelete) { m_bAutoDelete = autoDelete; }
    bool IsAutoDelete() const { return m_bAutoDelete; }

private:
    static unsigned __stdcall ThreadEntry(void* self);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
    bool m_bAutoDelete = true;
    CHandle m_hThread;
};

// Creates a thread object and its thread with the given priority; unless `createFlags` holds
// CREATE_SUSPENDED the thread runs at once. Null when the thread cannot be made.
CWinThread* AfxBeginThread(AFX_THREADPROC threadProc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0);
