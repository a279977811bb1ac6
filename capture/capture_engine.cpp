#include "capture/capture_engine.h"

#include <mmsystem.h>

#include "capture/capture_device.h"
#include "capture/capture_pacing.h"
#include "capture/channel_levels.h"
#include "framework/afxmsgwait.h"
#include "framework/afxthread.h"
#include "framework/afxwinapp.h"

namespace {

const DWORD kDefaultBlockSize = 1024;
const DWORD kLargestRefusedBlockSize = 512;

// The body of a thread that was started but must not run the capture loop.
UINT EndAtOnce(LPVOID) { return 0; }

}  // namespace

CCaptureEngine::CCaptureEngine()
    : m_device(nullptr), m_deviceOpen(false), m_run(false), m_blockCount(0), m_levelLeft(0),
      m_levelRight(0), m_levelsEnabled(false), m_blockSize(kDefaultBlockSize),
      m_waitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),  // a failure ends the thread at its first wait
      m_thread(nullptr), m_passDevice(nullptr), m_releasedByPass(nullptr),
      // A failure leaves Open to wait for the end of the thread instead of the pass.
      m_passReleased(CreateEventW(nullptr, TRUE, TRUE, nullptr)), m_threadHandle(nullptr) {}

CCaptureEngine::~CCaptureEngine() {
    // Deleting the engine under a running thread would pull the memory from under it: ask it to
    // end, and wait, with the window still working, even while it shows an error box.
    m_run = false;
    if (m_threadHandle) {
        AfxWaitDispatchingMessages(1, &m_threadHandle);
        CloseHandle(m_threadHandle);
    }
    delete m_releasedByPass;  // only left when the thread died within a pass
    delete m_device;
    if (m_passReleased) CloseHandle(m_passReleased);
    if (m_waitEvent) CloseHandle(m_waitEvent);
}

bool CCaptureEngine::SetBlockSize(DWORD frames) {
    if (frames <= kLargestRefusedBlockSize) return false;
    m_blockSize = frames;
    return true;
}

CCaptureDevice* CCaptureEngine::DetachDeviceLocked() {
    CCaptureDevice* device = m_device;
    m_device = nullptr;
    if (device && device == m_passDevice) {
        m_releasedByPass = device;  // the pass stops and deletes it when it is done with it
        if (m_passReleased) ResetEvent(m_passReleased);  // result deliberately ignored: at worst Open does not wait
        return nullptr;
    }
    return device;
}

void CCaptureEngine::WaitUntilPassReleasedDevice() {
    HANDLE objects[2];
    DWORD count = 0;
    {
        CSingleLock lock(m_lock);
        if (!m_releasedByPass) return;
        if (m_passReleased) objects[count++] = m_passReleased;
        // A thread that died within its pass never releases it: its end ends the wait too.
        if (m_threadHandle) objects[count++] = m_threadHandle;
    }
    // The window keeps working meanwhile: the pass may be held up by an error box.
    if (count > 0) AfxWaitDispatchingMessages(count, objects);
}

void CCaptureEngine::StopAndDelete(CCaptureDevice* device) {
    if (!device) return;
    device->StopBuffer();
    delete device;
}

bool CCaptureEngine::Open(DWORD* formatCode, const GUID* deviceId) {
    CCaptureDevice* old;
    {
        CSingleLock lock(m_lock);
        old = DetachDeviceLocked();
        m_deviceOpen = false;
    }
    StopAndDelete(old);
    WaitUntilPassReleasedDevice();

    // Set up outside the lock: this may show error boxes. No pass can see the new wrapper
    // before it is complete.
    auto* device = new CCaptureDevice(deviceId);
    bool configured = device->Configure(formatCode, m_blockSize);

    {
        CSingleLock lock(m_lock);
        // A reentrant Open (from messages dispatched while a failure box was up) may have
        // stored a wrapper meanwhile: it goes, rather than being overwritten and lost.
        old = DetachDeviceLocked();
        m_device = device;
        m_deviceOpen = configured;
    }
    StopAndDelete(old);
    return configured;
}

bool CCaptureEngine::EnableLevels(bool enable) { return m_levelsEnabled.exchange(enable) != enable; }

void CCaptureEngine::Start() {
    if (!m_deviceOpen) return;
    m_blockCount = 0;
    m_run = true;

    bool started;
    {
        // The thread decides to end under this lock too, so a restart is never lost to it.
        CSingleLock lock(m_lock);
        if (m_thread.load() != nullptr) return;  // the running thread carries on
        CoInitialize(nullptr);  // result deliberately ignored: already initialised is fine
        started = StartThreadLocked();
    }
    if (!started) AfxMessageBox("Can't start capture thread", MB_OK);
}

bool CCaptureEngine::StartThreadLocked() {
    // Suspended until the engine holds a handle of its own to wait on: the thread object, and
    // its handle, go with the thread, and the engine must not go before it.
    CWinThread* thread = AfxBeginThread(CaptureThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
    if (!thread) return false;
    HANDLE handle = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &handle, SYNCHRONIZE, FALSE, 0)) {
        // A thread the engine could not wait for must not touch it: it ends at once instead.
        thread->m_pfnThreadProc = EndAtOnce;
        thread->m_pThreadParams = nullptr;
        if (thread->ResumeThread() == (DWORD)-1) AfxDiscardSuspendedThread(thread);
        return false;
    }
    m_thread = thread;  // before it runs: at its end the thread clears it
    if (thread->ResumeThread() == (DWORD)-1) {
        // Never ran, never will: it cannot have touched the engine.
        m_thread = nullptr;
        CloseHandle(handle);
        AfxDiscardSuspendedThread(thread);
        return false;
    }
    if (m_threadHandle) CloseHandle(m_threadHandle);  // that thread had ended: it let m_thread go
    m_threadHandle = handle;
    return true;
}

void CCaptureEngine::RequestStop() { m_run = false; }

void CCaptureEngine::Stop() {
    m_run = false;
    CCaptureDevice* old = nullptr;
    {
        CSingleLock lock(m_lock);
        if (m_deviceOpen) {
            m_deviceOpen = false;
            old = DetachDeviceLocked();
        }
    }
    StopAndDelete(old);
}

LONG CCaptureEngine::GetLevel(int channel) const {
    if (!m_levelsEnabled) return 0;
    if (channel == 0) return m_levelLeft;
    if (channel == 1) return m_levelRight;
    return -1;
}

CCaptureDevice* CCaptureEngine::BeginPassOrEndThread(bool waitTimedOut) {
    m_lock.Lock();
    bool end = !waitTimedOut;  // the event is never set: only a failed wait gets here
    if (!end && (!m_deviceOpen || !m_run)) {
        m_levelLeft = 0;
        m_levelRight = 0;
        end = true;
    }
    if (end) {
        // Decided under the lock, so a Start in between either sees this thread or none.
        m_thread = nullptr;
        m_lock.Unlock();
        // Nothing of the engine is touched from here on: its owner may delete it.
        AfxEndThread(0, TRUE);
    }
    CCaptureDevice* device = m_device;
    m_passDevice = device;  // Stop and Open now hand this wrapper's release to EndPass
    m_lock.Unlock();
    return device;
}

void CCaptureEngine::EndPass(CCaptureDevice* device) {
    bool released;
    {
        CSingleLock lock(m_lock);
        m_passDevice = nullptr;
        released = device && m_releasedByPass == device;
    }
    if (!released) return;
    // No Stop or Open can hand over another wrapper now that no pass holds one.
    StopAndDelete(device);
    CSingleLock lock(m_lock);
    // Only now is its capture object gone, and the device free for the next one.
    m_releasedByPass = nullptr;
    // result deliberately ignored: a failure leaves Open to wait for the thread's end
    if (m_passReleased) SetEvent(m_passReleased);
}

void CCaptureEngine::ThreadLoop() {
    m_levelLeft = 0;
    m_levelRight = 0;
    DWORD timeout = kPollPeriodMs;
    for (;;) {
        DWORD waited = WaitForSingleObject(m_waitEvent, timeout);
        CCaptureDevice* device = BeginPassOrEndThread(waited == WAIT_TIMEOUT);
        DWORD t0 = timeGetTime();
        if (!device->ReadHalf()) {
            EndPass(device);
            timeout = kPollPeriodMs;
            continue;
        }
        CSampleBlock copy;
        const CSampleBlock* block = device->GetBlock();
        if (block) copy.Append(block->data, block->count);  // empty stays empty
        WAVEFORMATEX format = device->GetWaveFormat();
        EndPass(device);
        if (copy.count == 0) continue;  // the half was lost: nothing to measure or count

        if (m_levelsEnabled) {
            BlockLevels levels = MeasureBlockLevels(copy.data, copy.count, format);
            m_levelLeft = levels.left;
            m_levelRight = levels.right;
        }
        ++m_blockCount;
        timeout = NextPollTimeout(t0, timeGetTime());
    }
}

UINT CaptureThreadProc(LPVOID param) {
    static_cast<CCaptureEngine*>(param)->ThreadLoop();
}
