// Camera detection over the device inventory.
#include "core/CameraDetection.h"

#include "core/HardwareId.h"

int FindCamera(DeviceInventory& inventory) {
    bool found = false;
    const bool listed = inventory.ListPresentDevices("Image", [&found](std::string_view firstHardwareId) {
        if (MatchHardwareId(firstHardwareId))
            found = true;
    });
    return (listed && found) ? kCameraFound : kCameraNotFound;
}
