#include "bench/floor_capture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "capture/buffer_halves.h"
#include "capture/capture_formats.h"
#include "capture/capture_pacing.h"

namespace {

const DWORD kBlockFrames = 1024;

bool Check(HRESULT result, const char* what) {
    if (SUCCEEDED(result)) return true;
    std::fprintf(stderr, "floor capture: %s failed: 0x%08lx\n", what, (unsigned long)result);
    return false;
}

}  // namespace

bool OpenFloorCapture(const GUID* deviceId, DWORD formatCode, FloorCapture* capture) {
    *capture = FloorCapture();
    if (!Check(CoCreateInstance(CLSID_DirectSoundCapture, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSoundCapture,
                                reinterpret_cast<void**>(&capture->capture)), "CoCreateInstance")) {
        capture->capture = nullptr;
        return false;
    }
    DSCCAPS caps = {};
    caps.dwSize = sizeof(caps);
    bool ok = Check(capture->capture->Initialize(deviceId), "Initialize") &&
              Check(capture->capture->GetCaps(&caps), "GetCaps");
    if (ok && (caps.dwFormats & formatCode) != formatCode) {
        std::fprintf(stderr, "floor capture: the device lacks %s\n", (const char*)FormatDisplayName(formatCode));
        ok = false;
    }
    capture->format = MakeWaveFormat(formatCode);
    capture->bufferSize = 2 * kBlockFrames * capture->format.nBlockAlign;
    DSCBUFFERDESC desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwBufferBytes = capture->bufferSize;
    desc.lpwfxFormat = &capture->format;
    ok = ok && Check(capture->capture->CreateCaptureBuffer(&desc, &capture->buffer, nullptr), "CreateCaptureBuffer");
    if (!ok) capture->buffer = nullptr;
    ok = ok && Check(capture->buffer->Start(DSCBSTART_LOOPING), "Start");
    if (!ok) CloseFloorCapture(capture);
    else capture->half.resize(capture->bufferSize / 2);
    return ok;
}

bool PollFloorCapture(FloorCapture* capture) {
    const DWORD half = capture->bufferSize / 2;
    // result deliberately ignored, as the meter does: stale positions only delay a half
    capture->buffer->GetCurrentPosition(&capture->capturePosition, &capture->readPosition);
    if (!IsHalfComplete(capture->nextHalf, half, capture->capturePosition, capture->readPosition)) return false;
    void *region1 = nullptr, *region2 = nullptr;
    DWORD length1 = 0, length2 = 0;
    if (SUCCEEDED(capture->buffer->Lock(capture->nextHalf * half, half, &region1, &length1, &region2, &length2, 0))) {
        std::memcpy(capture->half.data(), region1, std::min(length1, half));
        capture->buffer->Unlock(region1, length1, region2, length2);
    }
    capture->nextHalf = 1 - capture->nextHalf;
    return true;
}

void CloseFloorCapture(FloorCapture* capture) {
    if (capture->buffer) {
        capture->buffer->Stop();
        capture->buffer->Release();
        capture->buffer = nullptr;
    }
    if (capture->capture) {
        capture->capture->Release();
        capture->capture = nullptr;
    }
}

FloorPacing::FloorPacing(bool useSleep)
    : m_never(useSleep ? nullptr : CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_timeout(kPollPeriodMs),
      m_passStart(0) {}

FloorPacing::~FloorPacing() {
    if (m_never) CloseHandle(m_never);
}

void FloorPacing::Wait() {
    if (m_never) WaitForSingleObject(m_never, m_timeout);
    else Sleep(m_timeout);
    m_passStart = timeGetTime();
}

void FloorPacing::PollDone(bool copied) {
    m_timeout = copied ? NextPollTimeout(m_passStart, timeGetTime()) : kPollPeriodMs;
}
