// The device inventory through Windows SetupAPI.
#pragma once

#include "core/CameraDetection.h"

class CSetupApiInventory final : public DeviceInventory {
public:
    bool ListPresentDevices(std::string_view className, const Visitor& visit) override;
};

// FindCamera over the system's device inventory.
int FindCamera();
