#include "capture/capture_device.h"

#include "capture/buffer_halves.h"
#include "capture/capture_error.h"
#include "capture/capture_formats.h"
#include "framework/afxwinapp.h"

namespace {

// The buffer holds two halves of blockSize frames; beyond this the size would not fit a LONG.
const ULONGLONG kLargestBuffer = 0x7FFFFFFF;

}  // namespace

CCaptureDevice::CCaptureDevice(const GUID* deviceId)
    : m_capture(nullptr), m_buffer(nullptr), m_block(nullptr), m_bufferSize(0), m_nextHalf(0),
      m_format(MakeWaveFormat(WAVE_FORMAT_4S16)) {
    Open(deviceId);
}

CCaptureDevice::~CCaptureDevice() { Close(); }

void CCaptureDevice::Open(const GUID* deviceId) {
    HRESULT result = CoCreateInstance(CLSID_DirectSoundCapture, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IDirectSoundCapture, reinterpret_cast<void**>(&m_capture));
    if (FAILED(result)) {
        m_capture = nullptr;
        // The thread may not have the component library yet: prepare it and try once more.
        CoInitialize(nullptr);  // result deliberately ignored: the retry tells
        result = CoCreateInstance(CLSID_DirectSoundCapture, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IDirectSoundCapture, reinterpret_cast<void**>(&m_capture));
        if (!ReportCaptureError(result, "Wiederholter Fehler: DirectSoundCapture Erzeugung")) {
            m_capture = nullptr;
            return;
        }
    }
    if (!ReportCaptureError(m_capture->Initialize(deviceId), "Fehler: DirectSound Initialisierung"))
        return;
    m_buffer = nullptr;
    m_block = new CSampleBlock;
}

void CCaptureDevice::Close() {
    StopBuffer();  // only ever finds a buffer when the owner skipped StopBuffer
    if (m_capture) {
        m_capture->Release();
        m_capture = nullptr;
    }
    if (m_block) {
        m_block->Clear();
        delete m_block;
        m_block = nullptr;
    }
}

bool CCaptureDevice::Configure(DWORD* formatCode, DWORD blockSize) {
    if (!m_capture) return false;  // creation failed and has been reported
    StopBuffer();

    DSCCAPS caps = {};
    caps.dwSize = sizeof(caps);
    // The capabilities come first: they also fail on a capture object that is not bound to a
    // device, which must never reach CreateCaptureBuffer.
    if (!ReportCaptureError(m_capture->GetCaps(&caps),
                            "Fehler: GetCaps, eventuell wird Aufnahmeformat nicht unterstützt"))
        return false;
    if ((caps.dwFormats & *formatCode) != *formatCode &&
        !FindFallbackFormat(caps.dwFormats, formatCode)) {
        AfxMessageBox("Das gewünschte WAV-Format ist nicht verfuegbar", MB_OK);
        return false;
    }

    m_format = MakeWaveFormat(*formatCode);
    ULONGLONG bufferSize = 2ULL * blockSize * m_format.nBlockAlign;
    m_bufferSize = bufferSize <= kLargestBuffer ? (LONG)bufferSize : 0;
    m_nextHalf = 0;

    IDirectSoundCaptureBuffer* created = nullptr;
    HRESULT result = DSERR_INVALIDPARAM;  // a size that does not fit is never handed on
    if (m_bufferSize != 0) {
        DSCBUFFERDESC desc = {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = 0;
        desc.dwBufferBytes = (DWORD)m_bufferSize;
        desc.dwReserved = 0;
        desc.lpwfxFormat = &m_format;
        desc.dwFXCount = 0;
        desc.lpDSCFXDesc = nullptr;
        result = m_capture->CreateCaptureBuffer(&desc, &created, nullptr);
    }
    if (!ReportCaptureError(result, "Fehler: Create CaptureBuffer")) return false;

    result = created->QueryInterface(IID_IDirectSoundCaptureBuffer,
                                     reinterpret_cast<void**>(&m_buffer));
    if (!ReportCaptureError(result, "Fehler: IDirectSoundCaptureBuffer Interface Erzeugung")) {
        m_buffer = nullptr;
        created->Release();
        return false;
    }
    created->Release();  // the buffer field holds its own reference

    m_buffer->Start(DSCBSTART_LOOPING);  // result deliberately ignored: polling shows it
    return true;
}

bool CCaptureDevice::ReadHalf() {
    if (!m_buffer) return false;
    DWORD half = (DWORD)m_bufferSize / 2;
    DWORD capturePosition = 0, readPosition = 0;
    // result deliberately ignored: positions left at 0 only mean "not complete yet" for half 0
    m_buffer->GetCurrentPosition(&capturePosition, &readPosition);
    if (!IsHalfComplete(m_nextHalf, half, capturePosition, readPosition)) return false;

    void* region1 = nullptr;
    void* region2 = nullptr;
    DWORD length1 = 0, length2 = 0;
    bool locked = ReportCaptureError(
        m_buffer->Lock(m_nextHalf * half, half, &region1, &length1, &region2, &length2, 0),
        "Fehler: PufferLock");
    m_nextHalf = 1 - m_nextHalf;
    if (m_block) {
        m_block->Clear();
        // result deliberately ignored: a failed copy leaves the block empty, the half is lost
        if (locked) m_block->Append(region1, length1);
    }
    if (locked)
        ReportCaptureError(m_buffer->Unlock(region1, length1, region2, length2), "Error: BufferUnlock");
    return true;
}

void CCaptureDevice::StopBuffer() {
    if (!m_buffer) return;
    m_buffer->Stop();  // result deliberately ignored: the buffer goes away regardless
    m_buffer->Release();
    m_buffer = nullptr;
}
