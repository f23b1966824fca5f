// Camera identification through the real Windows shell: the device inventory of SetupAPI with
// the virtual camera registered in it, and the driver DLL loaded from beside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "CameraDevice.h"
#include "DriverLibrary.h"
#include "FirmwareImage.h"
#include "FirmwareVersion.h"
#include "GeneratedImages.h"
#include "SetupApiInventory.h"
#include "TextIds.h"
#include "UpdateChecks.h"
#include "VirtualCamera.h"

namespace {

constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";

class IdentificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::path(ProgramFolder()) / "vcam-identification";
        std::filesystem::remove_all(m_folder);
        _putenv_s("TERVOLIN_VCAM", m_folder.string().c_str());
    }
    void TearDown() override {
        RemoveCameraDevice();
        std::filesystem::remove_all(m_folder);
    }

    void PlugFirmware(const char* version) {
        ASSERT_TRUE(VirtualCamera::Plug(m_folder, MakeFirmwareImage(version), {}));
    }

    std::filesystem::path m_folder;
};

} // namespace

TEST_F(IdentificationTest, FindCameraSeesTheRegisteredDeviceUntilItIsRemoved) {
    ASSERT_TRUE(RegisterCameraDevice(CameraHardwareIds()));
    EXPECT_EQ(FindCamera(), kCameraFound);
    // Registering again replaces the device instead of failing.
    ASSERT_TRUE(RegisterCameraDevice(CameraHardwareIds()));
    EXPECT_EQ(FindCamera(), kCameraFound);
    ASSERT_TRUE(RemoveCameraDevice());
    EXPECT_EQ(FindCamera(), kCameraNotFound);
    EXPECT_TRUE(RemoveCameraDevice());
}

TEST_F(IdentificationTest, FindCameraMatchesLowerCaseButOnlyTheFirstString) {
    ASSERT_TRUE(RegisterCameraDevice({"usb\\vid_e5a7&pid_19c4&rev_0100"}));
    EXPECT_EQ(FindCamera(), kCameraFound);
    ASSERT_TRUE(RegisterCameraDevice({"USB\\VID_046D&PID_0825&REV_0012", "USB\\VID_E5A7&PID_19C4&REV_0100"}));
    EXPECT_EQ(FindCamera(), kCameraNotFound);
}

TEST_F(IdentificationTest, FindCameraSurvivesOversizedAndUnterminatedIds) {
    // 512 bytes without a terminator, the fragment at its very end. Whether the platform hands
    // them back as stored or terminated (and then needs more room than 512 bytes) is its own
    // affair; either answer is sound, as long as nothing past the buffer is read.
    std::string exact(512 - 17, 'X');
    exact += "VID_E5A7&PID_19C4";
    ASSERT_TRUE(RegisterCameraDeviceProperty(exact));
    const int result = FindCamera();
    EXPECT_TRUE(result == kCameraFound || result == kCameraNotFound);

    // A value that needs more than 512 bytes cannot be read and the device is skipped.
    std::string longer(600, 'X');
    longer += "VID_E5A7&PID_19C4";
    longer.push_back('\0');
    longer.push_back('\0');
    ASSERT_TRUE(RegisterCameraDeviceProperty(longer));
    EXPECT_EQ(FindCamera(), kCameraNotFound);
}

TEST_F(IdentificationTest, CheckCodeVersionThroughTheDriverDll) {
    CDriverLibrary driver;
    ASSERT_TRUE(driver.IsLoaded());
    PlugFirmware(kTarget);
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionEqual);
    EXPECT_EQ(CheckCodeVersion(driver, true), kVersionDiffers);
    PlugFirmware("SN9C250 0. 0. 5.11SBFgE");
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);

    CameraState state = *LoadState(m_folder);
    EXPECT_EQ(state.counters.opens, 1u);
    state.settings.plugged = false;
    ASSERT_TRUE(SaveState(m_folder, state));
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionNoDriver);
    std::filesystem::remove_all(m_folder);
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionNoDriver);
}

TEST_F(IdentificationTest, MissingOrForeignDriverLibraryNeverOpens) {
    PlugFirmware(kTarget);
    CDriverLibrary missing(ProgramFolder() + L"NoSuchDriver.dll");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(CheckCodeVersion(missing, false), kVersionNoDriver);

    // A library without the driver's exports is not taken for one.
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    CDriverLibrary foreign(std::wstring(system) + L"\\version.dll");
    EXPECT_FALSE(foreign.IsLoaded());
    EXPECT_EQ(CheckCodeVersion(foreign, false), kVersionNoDriver);
}

TEST_F(IdentificationTest, OpeningCheckThroughTheShell) {
    CSetupApiInventory inventory;
    CDriverLibrary driver;
    GeneratedImages images;
    PlugFirmware(kTarget);

    // Flash present but no device in the inventory: refused, and the driver is not opened.
    Decision decision = OpeningCheck(inventory, driver, images, {});
    EXPECT_EQ(decision.next, NextStep::CloseCancelled);
    ASSERT_TRUE(decision.message);
    EXPECT_EQ(decision.message->textId, IDS_NOT_PLUGGED_IN);
    EXPECT_EQ(LoadState(m_folder)->counters.opens, 0u);

    ASSERT_TRUE(RegisterCameraDevice(CameraHardwareIds()));
    decision = OpeningCheck(inventory, driver, images, {});
    ASSERT_TRUE(decision.message);
    EXPECT_EQ(decision.message->textId, IDS_ALREADY_LATEST);
    EXPECT_EQ(decision.message->suffix, "\n\nQuellmar Vistrel Solentra V2.0.7");
    EXPECT_EQ(OpeningCheck(inventory, driver, images, {true, false}).next, NextStep::WaitForUser);
}
