// Is the supported camera plugged in? Asked of the operating system's device inventory, without
// the driver library.
#pragma once

#include <functional>
#include <string_view>

constexpr int kCameraFound = 0;
constexpr int kCameraNotFound = 55; // the platform's ERROR_DEV_NOT_EXIST

// The device inventory as camera detection needs it.
class DeviceInventory {
public:
    using Visitor = std::function<void(std::string_view firstHardwareId)>;

    virtual ~DeviceInventory() = default;

    // Visits every present device of the named setup class, or of all classes when the name does
    // not look up to exactly one class, with the first string of its hardware id. Devices whose
    // hardware id cannot be read are skipped. False when no device list could be made.
    virtual bool ListPresentDevices(std::string_view className, const Visitor& visit) = 0;
};

// kCameraFound when any present "Image" device names the supported camera, else kCameraNotFound.
// The whole list is always walked, also after a match.
int FindCamera(DeviceInventory& inventory);
