#pragma once
// CCaptureEngine: runs the capture thread that turns each captured block into a left and a
// right level value (0..255) and counts the blocks. The owner's thread makes every call; the
// capture thread only runs ThreadLoop.
#include <windows.h>

#include <atomic>

#include "framework/afxmt.h"

class CCaptureDevice;
class CWinThread;

class CCaptureEngine {
public:
    CCaptureEngine();
    // Waits, dispatching messages, until the capture thread has ended (it is asked to end if
    // still running); then deletes the device wrapper.
    ~CCaptureEngine();

    // Frames per half of the capture buffer for the next Open; 512 or less is refused.
    bool SetBlockSize(DWORD frames);
    // Replaces the device by a new one for deviceId, configured with *formatCode, which then
    // holds the format in use. Returns whether the device is open. While a pass still holds the
    // device it replaces (or one Stop let go of), it first waits, dispatching messages, until the
    // pass has released it: DirectSound may refuse a second capture object on a device still open.
    bool Open(DWORD* formatCode, const GUID* deviceId);
    // Returns true when the setting changed.
    bool EnableLevels(bool enable);
    // Starts or resumes capture on an open device; the block counter starts again at 0.
    void Start();
    void RequestStop();
    // Ends capture and releases the device.
    void Stop();

    // Channel 0 left, 1 right, -1 for any other; 0 for all while levels are switched off.
    LONG GetLevel(int channel) const;
    DWORD GetBlockCount() const { return m_blockCount.load(std::memory_order_relaxed); }

    // Body of the capture thread; ends the thread itself.
    [[noreturn]] void ThreadLoop();

    CCaptureEngine(const CCaptureEngine&) = delete;
    CCaptureEngine& operator=(const CCaptureEngine&) = delete;

private:
    // The flag test of a pass: ends the capture thread (does not return) when the wait failed
    // or capture is to stop; otherwise the wrapper the pass is to use, held for it until EndPass.
    CCaptureDevice* BeginPassOrEndThread(bool waitTimedOut);
    void EndPass(CCaptureDevice* device);
    CCaptureDevice* DetachDeviceLocked();
    void WaitUntilPassReleasedDevice();
    // With m_lock held and no capture thread running; false when none could be started.
    bool StartThreadLocked();
    static void StopAndDelete(CCaptureDevice* device);

    // m_lock guards the wrapper pointers (m_device, m_passDevice, m_releasedByPass) and makes
    // the capture thread's decision to end and Start's test of m_thread one after the other.
    // m_deviceOpen changes under it too, together with m_device, so that a pass finds either the
    // flag clear or the new wrapper complete; m_run and the results are plain atomics.
    CCaptureDevice* m_device;
    std::atomic<bool> m_deviceOpen;
    std::atomic<bool> m_run;
    std::atomic<DWORD> m_blockCount;
    std::atomic<LONG> m_levelLeft;
    std::atomic<LONG> m_levelRight;
    std::atomic<bool> m_levelsEnabled;
    DWORD m_blockSize;
    HANDLE m_waitEvent;  // never signalled: the capture thread's pacing sleep
    std::atomic<CWinThread*> m_thread;  // marks a running capture thread; it deletes itself

    CCriticalSection m_lock;
    CCaptureDevice* m_passDevice;       // the wrapper the running pass uses
    CCaptureDevice* m_releasedByPass;   // a wrapper Stop/Open let go of while a pass used it, until deleted
    HANDLE m_passReleased;              // manual-reset; clear while m_releasedByPass is set
    HANDLE m_threadHandle;              // our own handle on the last capture thread started
};

// Entry of the capture thread; the parameter is the engine.
UINT CaptureThreadProc(LPVOID param);
