// The virtual camera's entry in the system's device inventory: a present device of the "Image"
// class with the hardware ids a real SN9C250 camera reports.
#pragma once

#include <string>
#include <vector>

// The hardware ids of a plugged-in SN9C250 camera, most specific first.
std::vector<std::string> CameraHardwareIds();

// Registers the device (replacing an earlier registration) with these hardware ids, in order.
bool RegisterCameraDevice(const std::vector<std::string>& hardwareIds);

// The same with the hardware-id property's bytes exactly as given, terminated or not.
bool RegisterCameraDeviceProperty(const std::string& value);

// Removes the device; true also when it was not registered.
bool RemoveCameraDevice();
