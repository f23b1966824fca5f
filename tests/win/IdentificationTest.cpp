// Camera identification through the real Windows shell: the device inventory of SetupAPI with
// the virtual camera registered in it, and the driver DLL loaded from beside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/DriverLibrary.h"
#include "app/SetupApiInventory.h"
#include "core/FirmwareVersion.h"
#include "core/UpdateChecks.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/GeneratedImages.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "res/resource.h"
#include "tests/win/WinTestSupport.h"
#include "tools/vcam/CameraDevice.h"

namespace {

constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";

class IdentificationTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = FreshCameraFolder("vcam-identification"); }
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

TEST_F(IdentificationTest, FindCameraSeesTheRegisteredDeviceByItsFirstIdInAnyCaseUntilItIsRemoved) {
    ASSERT_TRUE(RegisterCameraDevice(CameraHardwareIds()));
    EXPECT_EQ(FindCamera(), kCameraFound);
    // Registering again replaces the device instead of failing.
    ASSERT_TRUE(RegisterCameraDevice(CameraHardwareIds()));
    EXPECT_EQ(FindCamera(), kCameraFound);
    ASSERT_TRUE(RemoveCameraDevice());
    EXPECT_EQ(FindCamera(), kCameraNotFound);
    EXPECT_TRUE(RemoveCameraDevice());

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

TEST_F(IdentificationTest, MissingForeignAndLookAlikeDriverLibrariesNeverOpen) {
    PlugFirmware(kTarget);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    // A missing library; one without the driver's exports; look-alikes that answer as a camera with
    // the target firmware, so that a program that called into one would see kVersionEqual.
    for (const std::wstring& path :
         {ProgramFolder() + L"NoSuchDriver.dll", std::wstring(system) + L"\\version.dll",
          ProgramFolder() + L"foreign_driver_decorated.dll",
          ProgramFolder() + L"foreign_driver_without_close.dll"}) {
        SCOPED_TRACE(testing::Message() << std::filesystem::path(path).string());
        CDriverLibrary library(path);
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_EQ(library.Initialize_DriverInterface(), 0);
        std::uint8_t buffer[52] = {};
        EXPECT_FALSE(library.GetCodeVersion(buffer));
        EXPECT_FALSE(library.EraseSF());
        EXPECT_FALSE(library.ReqToDriver(7, 0, buffer, sizeof buffer));
        EXPECT_FALSE(library.UnInitialize_DriverInterface());
        EXPECT_EQ(CheckCodeVersion(library, false), kVersionNoDriver);
    }

    // The decorated look-alike does export the five functions, only not under the plain names.
    CModule decorated;
    ASSERT_TRUE(decorated.Load(ProgramFolder() + L"foreign_driver_decorated.dll"));
    EXPECT_EQ(decorated.Proc<FARPROC>("Initialize_DriverInterface"), nullptr);
#ifdef _WIN64
    EXPECT_NE(decorated.Proc<FARPROC>("_Z26Initialize_DriverInterfacev"), nullptr);
#else
    EXPECT_NE(decorated.Proc<FARPROC>("Initialize_DriverInterface@0"), nullptr);
    EXPECT_NE(decorated.Proc<FARPROC>("ReqToDriver@16"), nullptr);
#endif
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
