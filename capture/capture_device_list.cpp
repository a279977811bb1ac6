#include "capture/capture_device_list.h"

#include <mmsystem.h>
#include <dsound.h>

namespace {

struct Enumeration {
    CaptureDeviceFound found;
    void* context;
};

BOOL CALLBACK OnDevice(LPGUID deviceId, LPCSTR description, LPCSTR /*module*/, LPVOID context) {
    auto* enumeration = static_cast<Enumeration*>(context);
    return enumeration->found(deviceId, description ? description : "", enumeration->context) ? TRUE : FALSE;
}

}  // namespace

const GUID* DefaultCaptureDeviceId() { return &DSDEVID_DefaultCapture; }

void EnumerateCaptureDevices(CaptureDeviceFound found, void* context) {
    Enumeration enumeration = {found, context};
    DirectSoundCaptureEnumerateA(OnDevice, &enumeration);  // result deliberately ignored: no devices is an empty list
}
