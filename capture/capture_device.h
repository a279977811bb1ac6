#pragma once
// CCaptureDevice: one DirectSound capture device with a looping buffer of two halves, polled for
// completed halves, each copied into the device's sample block.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include "capture/sample_block.h"

class CCaptureDevice {
public:
    // Opens the capture object for the device (null or DSDEVID_DefaultCapture: the default
    // device). Failures are reported to the user; the object exists either way.
    explicit CCaptureDevice(const GUID* deviceId);
    // Closes the capture object; a buffer still held is stopped and released first.
    ~CCaptureDevice();

    // Settles the format (formatCode in: requested, out: in use), creates the looping buffer of
    // two halves of blockSize frames and starts it. False, reported, when no buffer was created.
    bool Configure(DWORD* formatCode, DWORD blockSize);
    // Copies the next half into the sample block once the device has finished it. False, with
    // nothing changed, while it is not complete or when no buffer exists.
    bool ReadHalf();
    // The half copied by the last true ReadHalf (empty after a failed lock); null when the
    // device could not be opened.
    CSampleBlock* GetBlock() const { return m_block; }
    void StopBuffer();
    // The PCM format of the last Configure that got as far as describing it.
    const WAVEFORMATEX& GetWaveFormat() const { return m_format; }

    CCaptureDevice(const CCaptureDevice&) = delete;
    CCaptureDevice& operator=(const CCaptureDevice&) = delete;

private:
    void Open(const GUID* deviceId);
    void Close();

    IDirectSoundCapture* m_capture;
    IDirectSoundCaptureBuffer* m_buffer;
    CSampleBlock* m_block;
    LONG m_bufferSize;
    LONG m_nextHalf;
    WAVEFORMATEX m_format;
};
