// Camera detection over a scripted device inventory.
#include "core/CameraDetection.h"

#include <gtest/gtest.h>

#include "tests/native/Fakes.h"

TEST(FindCamera, FindsCamerasAmongOtherImagingDevicesWalkingTheWholeListAndNoneInAnyOtherList) {
    FakeInventory inventory;
    inventory.devices = {"usb\\vid_e5a7&pid_19c4&rev_0100", "PCI\\VEN_8086", "ROOT\\IMAGE", std::nullopt,
                         "USB\\VID_E5A7&PID_19C4&REV_0200", "HID\\X"};
    EXPECT_EQ(FindCamera(inventory), kCameraFound);
    EXPECT_EQ(inventory.askedClass, "Image");
    EXPECT_EQ(inventory.visits, 5);

    FakeInventory others;
    others.devices = {"USB\\VID_046D&PID_0825", std::nullopt};
    EXPECT_EQ(FindCamera(others), kCameraNotFound);

    FakeInventory empty;
    EXPECT_EQ(FindCamera(empty), kCameraNotFound);

    FakeInventory failing;
    failing.listFails = true;
    failing.devices = {"USB\\VID_E5A7&PID_19C4"};
    EXPECT_EQ(FindCamera(failing), kCameraNotFound);
}
