#pragma once
// The capture part of the floor programs: one capture device opened with DirectSound as the
// meter opens it (a looping buffer of two halves of 1024 frames, started at once), polled with
// the meter's own pacing, each completed half copied. Nothing of the meter's engine.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <vector>

struct FloorCapture {
    IDirectSoundCapture* capture = nullptr;
    IDirectSoundCaptureBuffer* buffer = nullptr;
    WAVEFORMATEX format = {};
    DWORD bufferSize = 0;
    int nextHalf = 0;
    DWORD capturePosition = 0;  // as the last poll read them
    DWORD readPosition = 0;
    std::vector<BYTE> half;  // the half copied last
};

// Opens the device (null or DSDEVID_DefaultCapture: the default one) in the format and starts
// the buffer. On failure says why on standard error, releases what it got and returns false.
bool OpenFloorCapture(const GUID* deviceId, DWORD formatCode, FloorCapture* capture);
// Reads both positions and copies the next half if it is complete; true when it copied one.
bool PollFloorCapture(FloorCapture* capture);
// Stops the buffer and releases both interfaces.
void CloseFloorCapture(FloorCapture* capture);

// The capture thread's pacing: a timed wait on an event that is never set (or Sleep), for the
// whole poll period after a poll that copied nothing, for the rest of it after one that did.
class FloorPacing {
public:
    explicit FloorPacing(bool useSleep);
    ~FloorPacing();
    void Wait();
    void PollDone(bool copied);

    FloorPacing(const FloorPacing&) = delete;
    FloorPacing& operator=(const FloorPacing&) = delete;

private:
    HANDLE m_never;
    DWORD m_timeout;
    DWORD m_passStart;
};
