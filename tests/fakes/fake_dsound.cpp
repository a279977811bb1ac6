#include "tests/fakes/fake_dsound.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string Describe(const char* name, DWORD a, DWORD b) {
    char text[96];
    std::snprintf(text, sizeof(text), "%s %lu %lu", name, (unsigned long)a, (unsigned long)b);
    return text;
}

class FakeCapture : public IDirectSoundCapture {
public:
    FakeCapture() { FakeDirectSound::Get().ObjectBorn(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectSoundCapture)) {
            *out = static_cast<IDirectSoundCapture*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        FakeDirectSound& fake = FakeDirectSound::Get();
        if (m_dead) {
            fake.OverReleased();
            return 0;
        }
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) {
            m_dead = true;
            fake.Log("Release capture");
            if (m_initialized) fake.GiveBackDevice(m_device);
            fake.ObjectDied();
        }
        return refs;
    }
    STDMETHODIMP CreateCaptureBuffer(LPCDSCBUFFERDESC desc, IDirectSoundCaptureBuffer** buffer,
                                     IUnknown* outer) override {
        FakeDirectSound& fake = FakeDirectSound::Get();
        fake.Log(Describe("CreateCaptureBuffer", desc ? desc->dwBufferBytes : 0, desc ? desc->dwSize : 0));
        if (!desc || !buffer || outer) return DSERR_INVALIDPARAM;
        if (!m_initialized) return DSERR_UNINITIALIZED;  // the real one may crash here instead
        if (FAILED(fake.script.createBufferResult)) return fake.script.createBufferResult;
        if (desc->dwBufferBytes == 0 || !desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        auto* created = new FakeCaptureBuffer(desc->dwBufferBytes);
        fake.BufferCreated(created, *desc);
        *buffer = created;
        return DS_OK;
    }
    STDMETHODIMP GetCaps(LPDSCCAPS caps) override {
        FakeDirectSound& fake = FakeDirectSound::Get();
        fake.Log(Describe("GetCaps", caps ? caps->dwSize : 0, 0));
        if (!caps || caps->dwSize < sizeof(DSCCAPS)) return DSERR_INVALIDPARAM;
        if (!m_initialized) return DSERR_UNINITIALIZED;
        if (FAILED(fake.script.getCapsResult)) return fake.script.getCapsResult;
        caps->dwFlags = 0;
        caps->dwFormats = fake.script.formats;
        caps->dwChannels = 2;
        return DS_OK;
    }
    STDMETHODIMP Initialize(LPCGUID deviceId) override {
        FakeDirectSound& fake = FakeDirectSound::Get();
        fake.Log("Initialize");
        fake.DeviceIdSeen(deviceId);
        if (m_initialized) return DSERR_ALREADYINITIALIZED;
        int call = fake.InitializeCalled();
        HRESULT result = fake.TakeDevice(deviceId, &m_device);
        if (FAILED(result)) return result;
        if (call <= 64 && (fake.script.failingInitializes >> (call - 1) & 1)) result = DSERR_NODRIVER;
        else result = fake.script.initializeResult;
        if (FAILED(result)) {
            fake.GiveBackDevice(m_device);
            return result;
        }
        m_initialized = true;
        return DS_OK;
    }

private:
    LONG m_refs = 1;
    bool m_dead = false;
    bool m_initialized = false;
    GUID m_device = GUID_NULL;  // held while initialized
};

bool IsDefaultCaptureAlias(const GUID* deviceId) {
    return !deviceId || IsEqualGUID(*deviceId, GUID_NULL) || IsEqualGUID(*deviceId, DSDEVID_DefaultCapture);
}

class FakeFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // A process-wide object: references do not decide its life.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        FakeDirectSound& fake = FakeDirectSound::Get();
        fake.Log("CreateInstance");
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        {
            CSingleLock lock(fake.Lock());
            if (fake.script.createFailures > 0) {
                --fake.script.createFailures;
                return fake.script.createFailure;
            }
        }
        auto* capture = new FakeCapture;
        fake.CaptureCreated();
        HRESULT result = capture->QueryInterface(iid, out);
        capture->Release();  // the caller holds the only reference now (or none on failure)
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

FakeFactory g_factory;

}  // namespace

// ---- FakeScript

void FakeScript::Reset() {
    createFailures = 0;
    createFailure = E_OUTOFMEMORY;
    initializeResult = DS_OK;
    failingInitializes = 0;
    getCapsResult = DS_OK;
    formats = 0xFFFFF;
    createBufferResult = DS_OK;
    bufferQueryResult = S_OK;
    lockResult = DS_OK;
    lockFailsFromCall = 1;
    lockFailsToCall = INT_MAX;
    unlockResult = DS_OK;
    advancePerQuery = 0;
}

// ---- FakeDirectSound

FakeDirectSound::FakeDirectSound()
    : m_queriesFree(CreateEventA(nullptr, TRUE, TRUE, nullptr)), m_queryHeld(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

FakeDirectSound& FakeDirectSound::Get() {
    static FakeDirectSound instance;
    return instance;
}

void FakeDirectSound::HoldPositionQueries() {
    ResetEvent(m_queryHeld);
    ResetEvent(m_queriesFree);
}

void FakeDirectSound::ReleasePositionQueries() { SetEvent(m_queriesFree); }

bool FakeDirectSound::WaitForHeldQuery(DWORD timeoutMs, DWORD* threadId) {
    if (WaitForSingleObject(m_queryHeld, timeoutMs) != WAIT_OBJECT_0) return false;
    CSingleLock lock(m_lock);
    *threadId = m_heldThread;
    return true;
}

void FakeDirectSound::PassHoldPoint() {
    if (WaitForSingleObject(m_queriesFree, 0) == WAIT_OBJECT_0) return;
    {
        CSingleLock lock(m_lock);
        m_heldThread = GetCurrentThreadId();
    }
    SetEvent(m_queryHeld);
    WaitForSingleObject(m_queriesFree, INFINITE);
}

bool FakeDirectSound::Install() {
    // Asked once, here, so that the threads the platform may start for it are there before any
    // test counts threads. Without a capture device the alias stands for itself.
    static bool defaultAsked = false;
    if (!defaultAsked) {
        defaultAsked = true;
        GUID device;
        if (SUCCEEDED(GetDeviceID(&DSDEVID_DefaultCapture, &device))) {
            CSingleLock lock(m_lock);
            m_defaultDevice = device;
        }
    }
    return SUCCEEDED(CoRegisterClassObject(CLSID_DirectSoundCapture, &g_factory, CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &m_cookie));
}

void FakeDirectSound::Uninstall() {
    if (m_cookie) CoRevokeClassObject(m_cookie);
    m_cookie = 0;
}

void FakeDirectSound::Reset() {
    CSingleLock lock(m_lock);
    script.Reset();
    m_calls.clear();
    // Released objects are never freed: a late call on one must still find it.
    m_live = 0;
    m_overReleases = 0;
    m_usesAfterRelease = 0;
    m_captureObjects = 0;
    m_lastDeviceId = nullptr;
    m_lastPollingThread = 0;
    m_positionQueries = 0;
    m_lockCalls = 0;
    m_initializeCalls = 0;
    m_heldDevices.clear();
    m_deviceRefusals = 0;
    m_lastDesc = DSCBUFFERDESC();
    m_lastFormat = WAVEFORMATEX();
    m_currentBuffer = nullptr;
    m_heldThread = 0;
    SetEvent(m_queriesFree);
    ResetEvent(m_queryHeld);
}

std::vector<std::string> FakeDirectSound::Calls() {
    CSingleLock lock(m_lock);
    return m_calls;
}

int FakeDirectSound::CountCalls(const std::string& prefix) {
    CSingleLock lock(m_lock);
    int count = 0;
    for (const std::string& call : m_calls)
        if (call.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

void FakeDirectSound::ClearCalls() {
    CSingleLock lock(m_lock);
    m_calls.clear();
}

int FakeDirectSound::LiveObjects() {
    CSingleLock lock(m_lock);
    return m_live;
}

int FakeDirectSound::OverReleases() {
    CSingleLock lock(m_lock);
    return m_overReleases;
}

int FakeDirectSound::UsesAfterRelease() {
    CSingleLock lock(m_lock);
    return m_usesAfterRelease;
}

void FakeDirectSound::UsedAfterRelease() {
    CSingleLock lock(m_lock);
    ++m_usesAfterRelease;
}

int FakeDirectSound::CaptureObjectsCreated() {
    CSingleLock lock(m_lock);
    return m_captureObjects;
}

const GUID* FakeDirectSound::LastDeviceId() {
    CSingleLock lock(m_lock);
    return m_lastDeviceId;
}

DWORD FakeDirectSound::LastPollingThread() {
    CSingleLock lock(m_lock);
    return m_lastPollingThread;
}

int FakeDirectSound::PositionQueries() {
    CSingleLock lock(m_lock);
    return m_positionQueries;
}

int FakeDirectSound::LockCalls() {
    CSingleLock lock(m_lock);
    return m_lockCalls;
}

int FakeDirectSound::LockCalled() {
    CSingleLock lock(m_lock);
    return ++m_lockCalls;
}

HRESULT FakeDirectSound::TakeDevice(const GUID* deviceId, GUID* device) {
    // Wine reads the id and would crash on one it cannot read: refused here, so a test can tell.
    if (deviceId && IsBadReadPtr(deviceId, sizeof(GUID))) return DSERR_INVALIDPARAM;
    CSingleLock lock(m_lock);
    *device = IsDefaultCaptureAlias(deviceId) ? m_defaultDevice : *deviceId;
    for (const GUID& held : m_heldDevices) {
        if (IsEqualGUID(held, *device)) {
            ++m_deviceRefusals;
            return DSERR_ALLOCATED;
        }
    }
    m_heldDevices.push_back(*device);
    return DS_OK;
}

void FakeDirectSound::GiveBackDevice(const GUID& device) {
    CSingleLock lock(m_lock);
    for (auto held = m_heldDevices.begin(); held != m_heldDevices.end(); ++held) {
        if (IsEqualGUID(*held, device)) {
            m_heldDevices.erase(held);
            return;
        }
    }
}

int FakeDirectSound::DeviceRefusals() {
    CSingleLock lock(m_lock);
    return m_deviceRefusals;
}

int FakeDirectSound::InitializeCalled() {
    CSingleLock lock(m_lock);
    return ++m_initializeCalls;
}

DSCBUFFERDESC FakeDirectSound::LastBufferDesc() {
    CSingleLock lock(m_lock);
    return m_lastDesc;
}

WAVEFORMATEX FakeDirectSound::LastBufferFormat() {
    CSingleLock lock(m_lock);
    return m_lastFormat;
}

FakeCaptureBuffer* FakeDirectSound::CurrentBuffer() {
    CSingleLock lock(m_lock);
    return m_currentBuffer;
}

void FakeDirectSound::Log(const std::string& call) {
    CSingleLock lock(m_lock);
    if (m_calls.size() < 100000) m_calls.push_back(call);  // long runs keep the start only
}

void FakeDirectSound::ObjectBorn() {
    CSingleLock lock(m_lock);
    ++m_live;
}

void FakeDirectSound::ObjectDied() {
    CSingleLock lock(m_lock);
    --m_live;
}

void FakeDirectSound::OverReleased() {
    CSingleLock lock(m_lock);
    ++m_overReleases;
}

void FakeDirectSound::BufferCreated(FakeCaptureBuffer* buffer, const DSCBUFFERDESC& desc) {
    CSingleLock lock(m_lock);
    m_currentBuffer = buffer;
    m_lastDesc = desc;
    m_lastFormat = *desc.lpwfxFormat;
    m_lastDesc.lpwfxFormat = &m_lastFormat;
}

void FakeDirectSound::CaptureCreated() {
    CSingleLock lock(m_lock);
    ++m_captureObjects;
}

// Called with the lock held (CCriticalSection is recursive).
void FakeDirectSound::PositionQueried() {
    CSingleLock lock(m_lock);
    m_lastPollingThread = GetCurrentThreadId();
    ++m_positionQueries;
}

void FakeDirectSound::DeviceIdSeen(const GUID* id) {
    CSingleLock lock(m_lock);
    m_lastDeviceId = id;
}

// ---- FakeCaptureBuffer

FakeCaptureBuffer::FakeCaptureBuffer(DWORD size) : m_data(size, 0) { FakeDirectSound::Get().ObjectBorn(); }

void FakeCaptureBuffer::SetPositions(DWORD capturePosition, DWORD readPosition) {
    CSingleLock lock(FakeDirectSound::Get().Lock());
    m_capturePosition = capturePosition;
    m_readPosition = readPosition;
}

void FakeCaptureBuffer::FillFrames16(SHORT left, SHORT right) {
    CSingleLock lock(FakeDirectSound::Get().Lock());
    for (size_t i = 0; i + 4 <= m_data.size(); i += 4) {
        std::memcpy(&m_data[i], &left, 2);
        std::memcpy(&m_data[i + 2], &right, 2);
    }
}

void FakeCaptureBuffer::FillBytes(const BYTE* bytes, DWORD count, DWORD offset) {
    CSingleLock lock(FakeDirectSound::Get().Lock());
    for (DWORD i = 0; i < count && offset + i < m_data.size(); ++i) m_data[offset + i] = bytes[i];
}

void FakeCaptureBuffer::FillPattern(BYTE first) {
    CSingleLock lock(FakeDirectSound::Get().Lock());
    for (size_t i = 0; i < m_data.size(); ++i) m_data[i] = (BYTE)(first + i);
}

STDMETHODIMP FakeCaptureBuffer::QueryInterface(REFIID iid, void** out) {
    FakeDirectSound& fake = FakeDirectSound::Get();
    fake.Log("QueryInterface buffer");
    if (!out) return E_POINTER;
    *out = nullptr;
    if (FAILED(fake.script.bufferQueryResult)) return fake.script.bufferQueryResult;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectSoundCaptureBuffer)) {
        *out = static_cast<IDirectSoundCaptureBuffer*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeCaptureBuffer::AddRef() { return InterlockedIncrement(&m_refs); }

STDMETHODIMP_(ULONG) FakeCaptureBuffer::Release() {
    FakeDirectSound& fake = FakeDirectSound::Get();
    if (m_dead) {
        fake.OverReleased();
        return 0;
    }
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) {
        m_dead = true;
        m_running = false;
        fake.Log("Release buffer");
        fake.ObjectDied();
    }
    return refs;
}

STDMETHODIMP FakeCaptureBuffer::GetCaps(LPDSCBCAPS) { return E_NOTIMPL; }

STDMETHODIMP FakeCaptureBuffer::GetCurrentPosition(LPDWORD capturePosition, LPDWORD readPosition) {
    FakeDirectSound& fake = FakeDirectSound::Get();
    fake.PassHoldPoint();  // outside the lock: the owner's calls go on meanwhile
    if (m_dead) fake.UsedAfterRelease();
    CSingleLock lock(fake.Lock());
    fake.PositionQueried();
    DWORD advance = fake.script.advancePerQuery;
    if (advance && !m_data.empty()) {
        m_capturePosition = (m_capturePosition + advance) % m_data.size();
        m_readPosition = (m_readPosition + advance) % m_data.size();
    }
    if (capturePosition) *capturePosition = m_capturePosition;
    if (readPosition) *readPosition = m_readPosition;
    return DS_OK;
}

STDMETHODIMP FakeCaptureBuffer::GetFormat(LPWAVEFORMATEX, DWORD, LPDWORD) { return E_NOTIMPL; }
STDMETHODIMP FakeCaptureBuffer::GetStatus(LPDWORD) { return E_NOTIMPL; }
STDMETHODIMP FakeCaptureBuffer::Initialize(LPDIRECTSOUNDCAPTURE, LPCDSCBUFFERDESC) {
    return DSERR_ALREADYINITIALIZED;
}

STDMETHODIMP FakeCaptureBuffer::Lock(DWORD offset, DWORD bytes, void** region1, LPDWORD length1,
                                     void** region2, LPDWORD length2, DWORD flags) {
    FakeDirectSound& fake = FakeDirectSound::Get();
    fake.Log(Describe("Lock", offset, bytes));
    if (m_dead) fake.UsedAfterRelease();
    int call = fake.LockCalled();
    HRESULT lockResult = fake.script.lockResult;
    if (FAILED(lockResult) && call >= fake.script.lockFailsFromCall && call <= fake.script.lockFailsToCall)
        return lockResult;
    if (!region1 || !length1 || flags != 0 || offset >= m_data.size() || bytes > m_data.size())
        return DSERR_INVALIDPARAM;
    DWORD first = bytes <= m_data.size() - offset ? bytes : (DWORD)m_data.size() - offset;
    *region1 = &m_data[offset];
    *length1 = first;
    if (region2) *region2 = first < bytes ? &m_data[0] : nullptr;
    if (length2) *length2 = bytes - first;
    return DS_OK;
}

STDMETHODIMP FakeCaptureBuffer::Start(DWORD flags) {
    FakeDirectSound::Get().Log(Describe("Start", flags, 0));
    m_running = true;
    return DS_OK;
}

STDMETHODIMP FakeCaptureBuffer::Stop() {
    FakeDirectSound::Get().Log("Stop");
    m_running = false;
    return DS_OK;
}

STDMETHODIMP FakeCaptureBuffer::Unlock(void* region1, DWORD length1, void*, DWORD) {
    FakeDirectSound& fake = FakeDirectSound::Get();
    if (m_dead) fake.UsedAfterRelease();
    fake.Log(Describe("Unlock", region1 ? (DWORD)((BYTE*)region1 - m_data.data()) : 0xFFFFFFFF, length1));
    return fake.script.unlockResult;
}

// ---- FakeDirectSoundScope

FakeDirectSoundScope::FakeDirectSoundScope() {
    CoInitialize(nullptr);
    FakeDirectSound::Get().Reset();
    // Without it the tests would run against the real DirectSound: stop at once instead.
    if (!FakeDirectSound::Get().Install()) {
        std::fputs("the fake DirectSound cannot be installed\n", stderr);
        std::abort();
    }
}

FakeDirectSoundScope::~FakeDirectSoundScope() { FakeDirectSound::Get().Uninstall(); }
