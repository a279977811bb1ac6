#pragma once
// The list of capture devices in the meter window.
#include <windows.h>

#include <memory>
#include <vector>

class CListBox;

// The device ids the list's entries point to, kept for the life of the list: the enumeration's
// own GUIDs are valid only while it runs.
typedef std::vector<std::unique_ptr<GUID>> DeviceIdStore;

// Adds every capture device by its description (the list sorts them) with its id as item data;
// the primary capture driver's id stays null, which opens the default device.
void FillDeviceList(CListBox* list, DeviceIdStore* ids);
