#pragma once
// A scriptable stand-in for DirectSound capture. Installed with CoRegisterClassObject, so the
// product's own CoCreateInstance(CLSID_DirectSoundCapture) receives it. Every object counts its
// references; released objects are kept (as dead) so that a release too many is seen, not a
// crash. A capture object holds its device from its Initialize until its last release, and no
// second one is bound to a device held (DSERR_ALLOCATED), as Wine's DirectSound has been seen to
// refuse; some Wines allow it, so a program that overlaps its own capture objects fails here
// whichever it meets. The default device's aliases name the device that the platform takes for
// the default.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <atomic>
#include <climits>
#include <string>
#include <vector>

#include "framework/afxmt.h"

class FakeCaptureBuffer;

// What the next objects do; tests set it before the call under test.
struct FakeScript {
    // Read where devices are opened and configured: the thread that a test syncs with.
    int createFailures = 0;        // CreateInstance fails this many times first...
    HRESULT createFailure = E_OUTOFMEMORY;  // ...with this code
    HRESULT initializeResult = DS_OK;
    unsigned long long failingInitializes = 0;  // bit n: the (n+1)-th Initialize since Reset gives DSERR_NODRIVER
    HRESULT getCapsResult = DS_OK;
    DWORD formats = 0xFFFFF;       // all twenty standard formats
    HRESULT createBufferResult = DS_OK;
    HRESULT bufferQueryResult = S_OK;
    // Read by the capture thread in every pass while a test may change them.
    std::atomic<HRESULT> lockResult{DS_OK};
    std::atomic<int> lockFailsFromCall{1};  // a failing lockResult applies from this Lock call on (1: the first)
    std::atomic<int> lockFailsToCall{INT_MAX};  // ...up to this one
    std::atomic<HRESULT> unlockResult{DS_OK};
    // Every position query moves both positions on by this many bytes (0: they stand still).
    std::atomic<DWORD> advancePerQuery{0};

    void Reset();  // everything as above
};

class FakeDirectSound {
public:
    static FakeDirectSound& Get();

    bool Install();    // on the calling thread; COM must be initialised there
    void Uninstall();
    void Reset();      // new script, empty log, forgets all objects (the old must be gone)

    FakeScript script;

    // Observations.
    std::vector<std::string> Calls();           // "Initialize", "GetCaps", "Lock 4096 4096", ...
    int CountCalls(const std::string& prefix);
    void ClearCalls();
    int LiveObjects();                          // capture objects and buffers not yet released
    int OverReleases();                         // Release on an object already at zero
    int UsesAfterRelease();                     // calls on a buffer already released
    int CaptureObjectsCreated();
    // Initialize calls refused because another capture object still held the device.
    int DeviceRefusals();
    const GUID* LastDeviceId();
    DWORD LastPollingThread();                  // the thread of the latest position query
    int PositionQueries();
    int LockCalls();                            // Lock calls on any buffer since Reset
    DSCBUFFERDESC LastBufferDesc();             // as handed to CreateCaptureBuffer (format copied)
    WAVEFORMATEX LastBufferFormat();

    // The most recently created buffer, for setting positions and contents; null if none.
    FakeCaptureBuffer* CurrentBuffer();

    // From Hold to Release, position queries wait at their start: a capture pass held where the
    // test wants it. WaitForHeldQuery tells once one waits, and on which thread.
    void HoldPositionQueries();
    void ReleasePositionQueries();
    bool WaitForHeldQuery(DWORD timeoutMs, DWORD* threadId);

    // Used by the fake objects.
    void Log(const std::string& call);
    void ObjectBorn();
    void ObjectDied();
    void OverReleased();
    void UsedAfterRelease();
    void BufferCreated(FakeCaptureBuffer* buffer, const DSCBUFFERDESC& desc);
    void CaptureCreated();
    void DeviceIdSeen(const GUID* id);
    void PositionQueried();
    int LockCalled();                           // counts the call; returns its number, from 1
    int InitializeCalled();                     // the same for the capture objects' Initialize
    // Binds the device that the id names: DSERR_ALLOCATED when it is held already.
    HRESULT TakeDevice(const GUID* deviceId, GUID* device);
    void GiveBackDevice(const GUID& device);
    CCriticalSection& Lock() { return m_lock; }
    void PassHoldPoint();                       // where a held position query waits

private:
    FakeDirectSound();

    CCriticalSection m_lock;
    std::vector<std::string> m_calls;
    int m_live = 0;
    int m_overReleases = 0;
    int m_usesAfterRelease = 0;
    int m_captureObjects = 0;
    const GUID* m_lastDeviceId = nullptr;
    DWORD m_lastPollingThread = 0;
    int m_positionQueries = 0;
    int m_lockCalls = 0;
    int m_initializeCalls = 0;
    GUID m_defaultDevice = DSDEVID_DefaultCapture;  // until the platform names it
    std::vector<GUID> m_heldDevices;
    int m_deviceRefusals = 0;
    DSCBUFFERDESC m_lastDesc = {};
    WAVEFORMATEX m_lastFormat = {};
    FakeCaptureBuffer* m_currentBuffer = nullptr;
    DWORD m_cookie = 0;
    HANDLE m_queriesFree;   // manual-reset; clear while holding
    HANDLE m_queryHeld;     // manual-reset; set once a query waits
    DWORD m_heldThread = 0;
};

// The buffer: a block of memory with a capture and a read position.
class FakeCaptureBuffer : public IDirectSoundCaptureBuffer {
public:
    explicit FakeCaptureBuffer(DWORD size);

    void SetPositions(DWORD capturePosition, DWORD readPosition);
    // Fills every 4-byte stretch with left and right as 16-bit values, whatever the format.
    void FillFrames16(SHORT left, SHORT right);
    void FillBytes(const BYTE* bytes, DWORD count, DWORD offset);
    void FillPattern(BYTE first);  // byte i holds first + i
    bool Running() const { return m_running; }
    LONG RefCount() const { return m_refs; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDirectSoundCaptureBuffer
    STDMETHODIMP GetCaps(LPDSCBCAPS caps) override;
    STDMETHODIMP GetCurrentPosition(LPDWORD capturePosition, LPDWORD readPosition) override;
    STDMETHODIMP GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override;
    STDMETHODIMP GetStatus(LPDWORD status) override;
    STDMETHODIMP Initialize(LPDIRECTSOUNDCAPTURE capture, LPCDSCBUFFERDESC desc) override;
    STDMETHODIMP Lock(DWORD offset, DWORD bytes, void** region1, LPDWORD length1, void** region2,
                      LPDWORD length2, DWORD flags) override;
    STDMETHODIMP Start(DWORD flags) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Unlock(void* region1, DWORD length1, void* region2, DWORD length2) override;

private:
    LONG m_refs = 1;
    bool m_dead = false;
    bool m_running = false;
    std::vector<BYTE> m_data;
    DWORD m_capturePosition = 0;
    DWORD m_readPosition = 0;
};

// Installs the fake on the calling thread for the lifetime of the object, from a clean start
// (new script, nothing counted). Checking what is left at the end is the test's.
class FakeDirectSoundScope {
public:
    FakeDirectSoundScope();
    ~FakeDirectSoundScope();
    FakeDirectSound& operator*() { return FakeDirectSound::Get(); }
    FakeDirectSound* operator->() { return &FakeDirectSound::Get(); }
};
