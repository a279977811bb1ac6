#include "capture/capture_device_list.h"

#include <mmsystem.h>
#include <dsound.h>

#include "framework/afxconv.h"

namespace {

struct Enumeration {
    CaptureDeviceFound found;
    void* context;
};

// The wide enumeration: the narrow one cuts names at 32 bytes and turns every character outside
// the system's code page into "?".
BOOL CALLBACK OnDevice(LPGUID deviceId, LPCWSTR description, LPCWSTR /*module*/, LPVOID context) {
    auto* enumeration = static_cast<Enumeration*>(context);
    CString text = AfxFromWide(description);
    return enumeration->found(deviceId, text, enumeration->context) ? TRUE : FALSE;
}

}  // namespace

const GUID* DefaultCaptureDeviceId() { return &DSDEVID_DefaultCapture; }

void EnumerateCaptureDevices(CaptureDeviceFound found, void* context) {
    Enumeration enumeration = {found, context};
    DirectSoundCaptureEnumerateW(OnDevice, &enumeration);  // result deliberately ignored: no devices is an empty list
}
