// Camera identification through the real Windows shell: the device inventory of SetupAPI with
// the virtual camera registered in it, and the driver DLL loaded from beside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/DriverLibrary.h"
#include "app/SetupApiInventory.h"
#include "core/DriverSession.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "libs/RevezoDaRur/CameraState.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "tests/win/WinTestSupport.h"
#include "tools/vcam/CameraDevice.h"

namespace {

class IdentificationTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = FreshFolder("vcam-identification"); }
    void TearDown() override {
        RemoveCameraDevice();
        std::filesystem::remove_all(m_folder);
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
    // 512 bytes without a terminator, the fragment at its very end: found or not, as long as
    // nothing past the buffer is read (the platform may hand it back terminated, then too long).
    ASSERT_TRUE(RegisterCameraDeviceProperty(std::string(512 - 17, 'X') + "VID_E5A7&PID_19C4"));
    FindCamera();
    // A value that needs more than 512 bytes cannot be read and the device is skipped.
    ASSERT_TRUE(
        RegisterCameraDeviceProperty(std::string(600, 'X') + "VID_E5A7&PID_19C4" + std::string(2, '\0')));
    EXPECT_EQ(FindCamera(), kCameraNotFound);
}

// Look-alikes over a flash with the target firmware: those refused are never called (a call would
// see kVersionEqual); the others answer through every call.
TEST_F(IdentificationTest, DriverLibrariesAreBoundByPlainOrStdcallNamesAndRefusedOtherwise) {
    const std::filesystem::path lookalike = FreshFolder("lookalike-identification", "TERVOLIN_LOOKALIKE");
    const FlashImage target = MakeFirmwareImage(TargetFirmwareFor(false).codeVersion);
    ASSERT_TRUE(SaveFlash(lookalike, target));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const struct {
        std::wstring path;
        const char* problem; // empty: the library is used
    } cases[] = {
        {ProgramFolder() + L"lookalike_cdecl.dll", ""},
#ifndef _WIN64
        {ProgramFolder() + L"lookalike_stdcall.dll", ""},
        {ProgramFolder() + L"lookalike_stdcall_at.dll", ""},
        {ProgramFolder() + L"lookalike_stdcall_underscore_at.dll", ""},
        {ProgramFolder() + L"lookalike_wrong_size.dll", "missing:ReqToDriver"},
#endif
        {ProgramFolder() + L"NoSuchDriver.dll", "absent"},
        {std::wstring(system) + L"\\version.dll", "missing:Initialize_DriverInterface"},
        {ProgramFolder() + L"lookalike_mangled.dll", "missing:Initialize_DriverInterface"},
        {ProgramFolder() + L"lookalike_without_close.dll", "missing:UnInitialize_DriverInterface"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::filesystem::path(c.path).string());
        CDriverLibrary library(c.path);
        EXPECT_EQ(library.Problem(), c.problem);
        EXPECT_EQ(library.IsLoaded(), *c.problem == '\0');
        if (!library.IsLoaded()) {
            EXPECT_EQ(library.Initialize_DriverInterface(), 0);
            std::uint8_t buffer[52] = {};
            EXPECT_FALSE(library.GetCodeVersion(buffer));
            EXPECT_FALSE(library.EraseSF());
            EXPECT_FALSE(library.ReqToDriver(7, 0, buffer, sizeof buffer));
            EXPECT_FALSE(library.UnInitialize_DriverInterface());
            EXPECT_EQ(CheckCodeVersion(library, false), kVersionNoDriver);
            continue;
        }
        // Every call, many times over: a stack left wrong by one of them would not last.
        for (int round = 0; round < 100; ++round) {
            ASSERT_EQ(CheckCodeVersion(library, false), kVersionEqual);
            const DriverSession session(library);
            ASSERT_TRUE(session.IsOpen());
            ASSERT_TRUE(FlashHoldsImage(library, target.data()));
        }
        ASSERT_GT(library.Initialize_DriverInterface(), 0);
        EXPECT_TRUE(library.EraseSF());
        FlashImage older = MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgE");
        EXPECT_TRUE(library.ReqToDriver(6, 0, older.data(), 4096));
        EXPECT_TRUE(library.UnInitialize_DriverInterface());
        EXPECT_EQ(CheckCodeVersion(library, false), kVersionDiffers);
        EXPECT_EQ(LoadFlash(lookalike)->at(4095), older[4095]);
        EXPECT_EQ(LoadFlash(lookalike)->at(4096), 0xFF);
        ASSERT_TRUE(SaveFlash(lookalike, target));
    }
    _putenv_s("TERVOLIN_LOOKALIKE", "");
    std::filesystem::remove_all(lookalike);
}
