#include "ui/device_list.h"

#include "capture/capture_device_list.h"
#include "framework/afxlistbox.h"

namespace {

struct DeviceListFill {
    CListBox* list;
    DeviceIdStore* ids;
};

bool AddDeviceCallback(const GUID* deviceId, const char* description, void* context) {
    auto* fill = static_cast<DeviceListFill*>(context);
    GUID* kept = nullptr;
    if (deviceId) {
        fill->ids->push_back(std::unique_ptr<GUID>(new GUID(*deviceId)));
        kept = fill->ids->back().get();
    }
    // The list is sorted: the new entry's index says where it landed.
    int index = fill->list->AddString(description);
    if (index >= 0) fill->list->SetItemDataPtr(index, kept);
    return true;
}

}  // namespace

void FillDeviceList(CListBox* list, DeviceIdStore* ids) {
    DeviceListFill fill = {list, ids};
    EnumerateCaptureDevices(AddDeviceCallback, &fill);
}
