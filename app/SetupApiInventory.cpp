// Present devices and their first hardware-id strings, from SetupAPI.
#include "app/SetupApiInventory.h"

#include <windows.h>
#include <setupapi.h>

#include <string>

#include "core/HardwareId.h"
#include "framework/DeviceInfoList.h"

namespace {

constexpr DWORD kHardwareIdBufferSize = 512;

// The present devices of the named class; of all classes when the name does not look up to
// exactly one class (room for one identifier is offered, so a name of several classes fails).
HDEVINFO OpenPresentDevices(const std::string& className) {
    GUID classGuid{};
    DWORD classCount = 0;
    if (SetupDiClassGuidsFromNameA(className.c_str(), &classGuid, 1, &classCount) && classCount == 1)
        return SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT);
    return SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
}

} // namespace

bool CSetupApiInventory::ListPresentDevices(std::string_view className, const Visitor& visit) {
    const CDeviceInfoList list(OpenPresentDevices(std::string(className)));
    if (!list)
        return false;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(list.Get(), index, &device); ++index) {
        char value[kHardwareIdBufferSize];
        DWORD size = 0;
        if (!SetupDiGetDeviceRegistryPropertyA(list.Get(), &device, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(value), sizeof value, &size))
            continue;
        visit(FirstHardwareIdString(value, size < sizeof value ? size : sizeof value));
    }
    return true;
}

int FindCamera() {
    CSetupApiInventory inventory;
    return FindCamera(inventory);
}
