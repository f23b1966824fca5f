// Registering and removing the virtual camera's device through SetupAPI.
#include "tools/vcam/CameraDevice.h"

#include <windows.h>
#include <setupapi.h>

#include "framework/DeviceInfoList.h"

namespace {

// The "Image" setup class.
constexpr GUID kImageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
constexpr char kInstanceId[] = "ROOT\\TERVOLIN_VCAM\\0000";

CDeviceInfoList NewList() {
    return CDeviceInfoList(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
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
    CDeviceInfoList list = NewList();
    if (!list)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoA(list.Get(), kInstanceId, &kImageClass, "Virtual SN9C250 camera", nullptr, 0,
                                  &device))
        return false;
    if (!SetupDiSetDeviceRegistryPropertyA(list.Get(), &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(value.data()),
                                           static_cast<DWORD>(value.size())))
        return false;
    return SetupDiRegisterDeviceInfo(list.Get(), &device, 0, nullptr, nullptr, nullptr);
}

bool RemoveCameraDevice() {
    CDeviceInfoList list = NewList();
    if (!list)
        return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiOpenDeviceInfoA(list.Get(), kInstanceId, nullptr, 0, &device))
        return true;
    return SetupDiRemoveDevice(list.Get(), &device);
}
