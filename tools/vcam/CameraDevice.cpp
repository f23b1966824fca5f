// Registering and removing the virtual camera's device through SetupAPI.
#include "tools/vcam/CameraDevice.h"

#include <windows.h>
#include <setupapi.h>

#include <memory>

namespace {

// The "Image" setup class.
constexpr GUID kImageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
constexpr char kInstanceId[] = "ROOT\\TERVOLIN_VCAM\\0000";

struct DeviceListDeleter {
    void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
};
using DeviceList = std::unique_ptr<void, DeviceListDeleter>;

DeviceList NewList() {
    HDEVINFO list = SetupDiCreateDeviceInfoList(&kImageClass, nullptr);
    return DeviceList(list == INVALID_HANDLE_VALUE ? nullptr : list);
}

} // namespace

std::vector<std::string> CameraHardwareIds() {
    return {"USB\\VID_E5A7&PID_19C4&REV_0100", "USB\\VID_E5A7&PID_19C4"};
}

bool RegisterCameraDevice(const std::vector<std::string>& hardwareIds) {
    // A list of zero-terminated strings, ended by an empty one.
    std::string value;
    for (const std::string& id : hardwareIds)
        value.append(id).push_back('\0');
    value.push_back('\0');
    return RegisterCameraDeviceProperty(value);
}

bool RegisterCameraDeviceProperty(const std::string& value) {
    if (!RemoveCameraDevice())
        return false;
    DeviceList list = NewList();
    if (!list)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoA(list.get(), kInstanceId, &kImageClass, "Virtual SN9C250 camera", nullptr, 0,
                                  &device))
        return false;
    if (!SetupDiSetDeviceRegistryPropertyA(list.get(), &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(value.data()),
                                           static_cast<DWORD>(value.size())))
        return false;
    return SetupDiRegisterDeviceInfo(list.get(), &device, 0, nullptr, nullptr, nullptr);
}

bool RemoveCameraDevice() {
    DeviceList list = NewList();
    if (!list)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiOpenDeviceInfoA(list.get(), kInstanceId, nullptr, 0, &device))
        return true;
    return SetupDiRemoveDevice(list.get(), &device);
}
