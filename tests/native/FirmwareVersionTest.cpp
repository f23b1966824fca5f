// The code-version check against the virtual camera and a scripted driver, and firmware names.
#include "core/FirmwareVersion.h"

#include <gtest/gtest.h>

#include <cstring>

#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tests/native/Fakes.h"

TEST(TargetFirmwareFor, PairsCodeVersionAndImage) {
    EXPECT_STREQ(TargetFirmwareFor(false).codeVersion, kTarget);
    EXPECT_EQ(TargetFirmwareFor(false).imageResourceId, 133);
    EXPECT_STREQ(TargetFirmwareFor(true).codeVersion, kOldTarget);
    EXPECT_EQ(TargetFirmwareFor(true).imageResourceId, 134);
}

TEST(CheckCodeVersion, ComparesTheCameraThroughTheVirtualDriver) {
    TempFolder folder;
    VirtualCamera camera(folder.Path());
    const struct {
        FlashImage flash;
        int target, oldTarget;
    } cases[] = {
        {MakeFirmwareImage(kTarget), kVersionEqual, kVersionDiffers},
        {MakeFirmwareImage(kOldTarget), kVersionDiffers, kVersionEqual},
        {FlashImage(kFlashSize, 0xFF), kVersionDiffers, kVersionDiffers}, // the boot ROM answers
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), c.flash, {}));
        EXPECT_EQ(CheckCodeVersion(camera, false), c.target) << ReportedCodeVersion(c.flash);
        EXPECT_EQ(CheckCodeVersion(camera, true), c.oldTarget) << ReportedCodeVersion(c.flash);
        // Each check opens and closes the interface once.
        EXPECT_EQ(LoadState(folder.Path())->counters.opens, 2u);
    }
}

TEST(CheckCodeVersion, ComparesTheFirst23BytesOfAZeroedBuffer) {
    const struct {
        std::string version;
        int target, oldTarget;
    } cases[] = {
        {kTarget, kVersionEqual, kVersionDiffers},
        {kOldTarget, kVersionDiffers, kVersionEqual},
        {std::string(kTarget) + " build 42, 2009", kVersionEqual, kVersionDiffers},
        {"SN9C250 0. 0. 5.11SBFgg", kVersionDiffers, kVersionDiffers}, // lower-case last letter
        {std::string("SN9C250 0. 0. 5.11SBFg\0G", 24), kVersionDiffers, kVersionDiffers},
        {"SN9C250", kVersionDiffers, kVersionDiffers},
        // Written without its terminator: leftovers behind it must not complete a target's version.
        {"SN9C250 0. 0. 5.11SBFg", kVersionDiffers, kVersionDiffers},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.codeVersion = c.version;
        EXPECT_EQ(CheckCodeVersion(driver, false), c.target) << c.version;
        EXPECT_EQ(CheckCodeVersion(driver, true), c.oldTarget) << c.version;
        EXPECT_EQ(driver.versionReads, 2);
        EXPECT_EQ(driver.closes, 2);
        EXPECT_TRUE(driver.handedZeroedBuffers) << c.version;
    }
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

TEST(CheckCodeVersion, FailedReadDiffersAndAnInterfaceThatDoesNotOpenIsNeitherReadNorClosed) {
    FakeDriver unread;
    unread.versionReadFails = true;
    EXPECT_EQ(CheckCodeVersion(unread, false), kVersionDiffers);
    EXPECT_EQ(unread.opens, 1);
    EXPECT_EQ(unread.closes, 1);

    for (std::int32_t result : {0, -1, -55, 7}) {
        FakeDriver driver;
        driver.openResult = result;
        driver.codeVersion = kTarget;
        EXPECT_EQ(CheckCodeVersion(driver, false), result > 0 ? kVersionEqual : kVersionNoDriver) << result;
        EXPECT_EQ(driver.versionReads, result > 0 ? 1 : 0) << result;
        EXPECT_EQ(driver.closes, result > 0 ? 1 : 0) << result;
    }
}

TEST(GetFirmwareName, TheTwoTargetsAndTheLetterAfterThePrefix) {
    const struct {
        const char* code;
        const char* name;
    } cases[] = {
        {kTarget, "Quellmar Vistrel Solentra V2.0.7"},
        {kOldTarget, "Quellmar Vistrel Solentra V1.0.8"},
        // The letter gives the minor and patch numbers.
        {"SN9C250 0. 0. 5.11SBFgA", "Quellmar Vistrel Solentra V2.0.1"},
        {"SN9C250 0. 0. 5.11SBFgi", "Quellmar Vistrel Solentra V2.0.9"},
        {"SN9C250 0. 0. 5.11SBFgJ", "Quellmar Vistrel Solentra V2.1.0"},
        {"SN9C250 0. 0. 5.11SBFgj", "Quellmar Vistrel Solentra V2.1.0"},
        {"SN9C250 0. 0. 5.11SBFgY", "Quellmar Vistrel Solentra V2.2.5"},
        // Only the 23rd character counts after the prefix.
        {"SN9C250 0. 0. 5.11SBFgGfoo", "Quellmar Vistrel Solentra V2.0.7"},
        {"SN9C250 0. 0. 5.11SBFgZ", ""},
        {"SN9C250 0. 0. 5.11SBFgz", ""},
        {"SN9C250 0. 0. 5.11SBFg5", ""},
        {"SN9C250 0. 0. 5.11SBFg@", ""},
        {"SN9C250 0. 0. 5.11SBFg[", ""},
        {"SN9C250 0. 0. 5.11SBFg\xC4", ""},
        {"SN9C250 0. 0. 5.11SBFg8x", ""},
        {"SN9C250 0. 0. 5.11SBFg", ""},
        {"SN9C250 0. 0. 5.11SBFh7", ""},
        {"sn9c250 0. 0. 5.11SBFgG", ""},
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFirmwareName(c.code), c.name) << (c.code ? c.code : "(null)");
}
