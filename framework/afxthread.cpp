#include "framework/afxthread.h"

#include <process.h>

namespace {

const DWORD kDiscardWaitMs = 5000;

DWORD ThreadObjectSlot() {
    static DWORD slot = TlsAlloc();
    return slot;
}

unsigned __stdcall ThreadStart(void* argument) {
    auto* thread = static_cast<CWinThread*>(argument);
    TlsSetValue(ThreadObjectSlot(), thread);
    UINT exitCode = thread->m_pfnThreadProc(thread->m_pThreadParams);
    AfxEndThread(exitCode);
}

}  // namespace

CWinThread::CWinThread()
    : m_hThread(nullptr), m_bAutoDelete(TRUE), m_pfnThreadProc(nullptr),
      m_pThreadParams(nullptr) {}

CWinThread::~CWinThread() {
    if (m_hThread) CloseHandle(m_hThread);
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
    if (!proc || ThreadObjectSlot() == TLS_OUT_OF_INDEXES) return nullptr;
    auto* thread = new CWinThread;
    thread->m_pfnThreadProc = proc;
    thread->m_pThreadParams = param;
    // Suspended until the object is complete, so the thread never sees a half-built object.
    uintptr_t handle = _beginthreadex(security, stackSize, ThreadStart, thread, CREATE_SUSPENDED, nullptr);
    if (handle == 0) {
        delete thread;
        return nullptr;
    }
    thread->m_hThread = reinterpret_cast<HANDLE>(handle);
    SetThreadPriority(thread->m_hThread, priority);  // result deliberately ignored: a hint
    if (!(createFlags & CREATE_SUSPENDED) && ::ResumeThread(thread->m_hThread) == (DWORD)-1) {
        AfxDiscardSuspendedThread(thread);
        return nullptr;
    }
    return thread;
}

void AfxDiscardSuspendedThread(CWinThread* thread) {
    // It never ran, so it holds nothing but the small block the C runtime gave it, which is lost.
    // Termination completes asynchronously: it is waited for, so that no caller finds the thread
    // still there, but not for ever.
    if (TerminateThread(thread->m_hThread, 0))
        WaitForSingleObject(thread->m_hThread, kDiscardWaitMs);  // result deliberately ignored: closed next either way
    delete thread;
}

void AfxEndThread(UINT exitCode, BOOL bDelete) {
    CWinThread* thread = AfxGetThread();
    if (thread) {
        TlsSetValue(ThreadObjectSlot(), nullptr);
        if (bDelete && thread->m_bAutoDelete) delete thread;
    }
    _endthreadex(exitCode);
    for (;;) {}  // not reached
}

CWinThread* AfxGetThread() {
    return static_cast<CWinThread*>(TlsGetValue(ThreadObjectSlot()));
}
