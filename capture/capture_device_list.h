#pragma once
// The capture devices present, and the id of the system's default one.
#include <windows.h>

// The id that names the system's default capture device.
const GUID* DefaultCaptureDeviceId();

// Called once per device with its id (null for the primary capture driver, which is the default
// device) and its description, whole and in UTF-8 whatever its script. The id is valid only during the call: copy it to keep it.
// Return false to stop the enumeration.
typedef bool (*CaptureDeviceFound)(const GUID* deviceId, const char* description, void* context);

void EnumerateCaptureDevices(CaptureDeviceFound found, void* context);
