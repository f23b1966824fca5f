// Worker-thread start and self-deletion.
#include "framework/WinThread.h"

#include <process.h>

CWinThread::CWinThread(AFX_THREADPROC threadProc, LPVOID param)
    : m_pfnThreadProc(threadProc), m_pThreadParams(param) {}

bool CWinThread::CreateThread(DWORD createFlags, UINT stackSize) {
    const uintptr_t handle =
        _beginthreadex(nullptr, stackSize, ThreadEntry, this, createFlags & CREATE_SUSPENDED, nullptr);
    m_hThread.Attach(reinterpret_cast<HANDLE>(handle));
    return handle != 0;
}

bool CWinThread::SetThreadPriority(int priority) {
    return ::SetThreadPriority(m_hThread.Get(), priority) != FALSE;
}

DWORD CWinThread::ResumeThread() {
    return ::ResumeThread(m_hThread.Get());
}

unsigned __stdcall CWinThread::ThreadEntry(void* self) {
    CWinThread* thread = static_cast<CWinThread*>(self);
    const UINT result = thread->m_pfnThreadProc(thread->m_pThreadParams);
    if (thread->m_bAutoDelete)
        delete thread;
    return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC threadProc, LPVOID param, int priority, UINT stackSize,
                           DWORD createFlags) {
    CWinThread* thread = new CWinThread(threadProc, param);
    // Always start suspended, so the priority is in place before the thread's first instruction.
    if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if (!(createFlags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}
