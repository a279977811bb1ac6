#pragma once
// CWinThread and AfxBeginThread/AfxEndThread: worker threads whose thread object deletes itself
// when the thread ends.
#include <windows.h>

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();  // closes the thread handle

    HANDLE m_hThread;
    BOOL m_bAutoDelete;  // the object deletes itself when its thread ends

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;

    // For a thread started suspended; (DWORD)-1 on failure.
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
};

// Null when no thread could be started (or resumed): then nothing of it is left.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0,
                           LPSECURITY_ATTRIBUTES security = nullptr);

// For a thread started suspended that must never run (it could not be resumed, say): ends it
// and deletes its object, which closes its handle.
void AfxDiscardSuspendedThread(CWinThread* thread);

// Ends the calling thread; with bDelete its auto-deleting thread object is deleted first.
// Objects on the thread's stack are not destroyed.
[[noreturn]] void AfxEndThread(UINT exitCode, BOOL bDelete = TRUE);

// The thread object of the calling thread, null on threads not started by AfxBeginThread.
CWinThread* AfxGetThread();
