// The code-version check against the virtual camera and a scripted driver, and firmware names.
#include "core/FirmwareVersion.h"

#include <gtest/gtest.h>

#include <cstring>

#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tests/native/Fakes.h"

namespace {

constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";
constexpr char kOldTarget[] = "SN9C250 0. 0. 5.11SBFg8";

} // namespace

TEST(TargetFirmwareFor, PairsCodeVersionAndImage) {
    EXPECT_STREQ(TargetFirmwareFor(false).codeVersion, kTarget);
    EXPECT_EQ(TargetFirmwareFor(false).imageResourceId, 133);
    EXPECT_STREQ(TargetFirmwareFor(true).codeVersion, kOldTarget);
    EXPECT_EQ(TargetFirmwareFor(true).imageResourceId, 134);
}

TEST(CheckCodeVersion, ComparesTheCameraThroughTheVirtualDriver) {
    TempFolder folder;
    ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), MakeFirmwareImage(kTarget), {}));
    VirtualCamera camera(folder.Path());
    EXPECT_EQ(CheckCodeVersion(camera, false), kVersionEqual);
    EXPECT_EQ(CheckCodeVersion(camera, true), kVersionDiffers);

    ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), MakeFirmwareImage(kOldTarget), {}));
    EXPECT_EQ(CheckCodeVersion(camera, false), kVersionDiffers);
    EXPECT_EQ(CheckCodeVersion(camera, true), kVersionEqual);

    // Each check opens and closes the interface once.
    EXPECT_EQ(LoadState(folder.Path())->counters.opens, 2u);
}

TEST(CheckCodeVersion, LowerCaseLastLetterDiffersFromBothTargets) {
    FakeDriver driver;
    driver.codeVersion = "SN9C250 0. 0. 5.11SBFgg";
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);
    EXPECT_EQ(CheckCodeVersion(driver, true), kVersionDiffers);
}

TEST(CheckCodeVersion, OnlyTheFirst23BytesCount) {
    FakeDriver driver;
    driver.codeVersion = std::string(kTarget) + " build 42, 2009";
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionEqual);
}

TEST(CheckCodeVersion, ZeroByteWithinThe23BytesDiffers) {
    FakeDriver driver;
    driver.codeVersion = std::string("SN9C250 0. 0. 5.11SBFg\0G", 24);
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);
    driver.codeVersion = "SN9C250";
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);
}

TEST(CheckCodeVersion, HandsTheDriverAZeroedBuffer) {
    // A driver that writes a short text without its terminator must leave zeros behind it, not
    // whatever the stack held, or leftovers could complete a target's version.
    FakeDriver driver;
    driver.codeVersion = "SN9C250 0. 0. 5.11SBFg";
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);
    EXPECT_EQ(CheckCodeVersion(driver, true), kVersionDiffers);
    EXPECT_EQ(driver.versionReads, 2);
    EXPECT_TRUE(driver.handedZeroedBuffers);
}

TEST(CheckCodeVersion, DriverWritingPastTheContractDoesNotOverrun) {
    // A driver that writes a 1,000-byte text where 52 bytes were agreed (the sanitizer watches).
    class LongWinded final : public DriverApi {
    public:
        std::int32_t Initialize_DriverInterface() override { return 1; }
        bool GetCodeVersion(std::uint8_t* buffer) override {
            std::memcpy(buffer, "SN9C250 0. 0. 5.11SBFgG", 23);
            std::memset(buffer + 23, 'x', 1000 - 23);
            return true;
        }
        bool EraseSF() override { return false; }
        bool ReqToDriver(std::uint8_t, std::uint32_t, std::uint8_t*, std::uint32_t) override { return false; }
        bool UnInitialize_DriverInterface() override { return true; }
    } driver;
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionEqual);
}

TEST(CheckCodeVersion, FailedReadCountsAsDifferentAndStillCloses) {
    FakeDriver driver;
    driver.versionReadFails = true;
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionDiffers);
    EXPECT_EQ(driver.opens, 1);
    EXPECT_EQ(driver.closes, 1);
}

TEST(CheckCodeVersion, InterfaceThatDoesNotOpenIsNeitherReadNorClosed) {
    for (std::int32_t result : {0, -1, -55}) {
        FakeDriver driver;
        driver.openResult = result;
        driver.codeVersion = kTarget;
        EXPECT_EQ(CheckCodeVersion(driver, false), kVersionNoDriver) << result;
        EXPECT_EQ(driver.versionReads, 0);
        EXPECT_EQ(driver.closes, 0);
    }
    FakeDriver anyPositive;
    anyPositive.openResult = 7;
    anyPositive.codeVersion = kTarget;
    EXPECT_EQ(CheckCodeVersion(anyPositive, false), kVersionEqual);
}

TEST(CheckCodeVersion, MissingOrUnpluggedVirtualCameraDoesNotOpen) {
    TempFolder folder;
    VirtualCamera absent(folder.Path() / "nothing");
    EXPECT_EQ(CheckCodeVersion(absent, false), kVersionNoDriver);

    CameraSettings unplugged;
    ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), MakeFirmwareImage(kTarget), unplugged));
    CameraState state = *LoadState(folder.Path());
    state.settings.plugged = false;
    ASSERT_TRUE(SaveState(folder.Path(), state));
    VirtualCamera camera(folder.Path());
    EXPECT_EQ(CheckCodeVersion(camera, false), kVersionNoDriver);
}

TEST(CheckCodeVersion, BootRomOfAnErasedCameraMatchesNoTarget) {
    TempFolder folder;
    ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), FlashImage(kFlashSize, 0xFF), {}));
    VirtualCamera camera(folder.Path());
    EXPECT_EQ(CheckCodeVersion(camera, false), kVersionDiffers);
    EXPECT_EQ(CheckCodeVersion(camera, true), kVersionDiffers);
}

TEST(GetFirmwareName, NamesTheTwoTargets) {
    EXPECT_EQ(GetFirmwareName(kTarget), "Quellmar Vistrel Solentra V2.0.7");
    EXPECT_EQ(GetFirmwareName(kOldTarget), "Quellmar Vistrel Solentra V1.0.8");
}

TEST(GetFirmwareName, LetterGivesMinorAndPatchNumbers) {
    const struct {
        char last;
        const char* name;
    } cases[] = {
        {'A', "Quellmar Vistrel Solentra V2.0.1"},
        {'i', "Quellmar Vistrel Solentra V2.0.9"},
        {'J', "Quellmar Vistrel Solentra V2.1.0"},
        {'j', "Quellmar Vistrel Solentra V2.1.0"},
        {'Y', "Quellmar Vistrel Solentra V2.2.5"},
        {'Z', ""},
        {'z', ""},
        {'5', ""},
        {'@', ""},
        {'[', ""},
        {'\xC4', ""},
    };
    for (const auto& c : cases) {
        const std::string code = std::string("SN9C250 0. 0. 5.11SBFg") + c.last;
        EXPECT_EQ(GetFirmwareName(code.c_str()), c.name) << code;
    }
}

TEST(GetFirmwareName, AnythingElseHasNoName) {
    EXPECT_EQ(GetFirmwareName("SN9C250 0. 0. 5.11SBFg8x"), "");
    EXPECT_EQ(GetFirmwareName("SN9C250 0. 0. 5.11SBFg"), "");
    EXPECT_EQ(GetFirmwareName("SN9C250 0. 0. 5.11SBFh7"), "");
    EXPECT_EQ(GetFirmwareName("sn9c250 0. 0. 5.11SBFgG"), "");
    EXPECT_EQ(GetFirmwareName(""), "");
    EXPECT_EQ(GetFirmwareName(nullptr), "");
    // Only the 23rd character counts after the prefix.
    EXPECT_EQ(GetFirmwareName("SN9C250 0. 0. 5.11SBFgGfoo"), "Quellmar Vistrel Solentra V2.0.7");
}
