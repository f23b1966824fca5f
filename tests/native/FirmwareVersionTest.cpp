// The code-version check against a scripted driver, and firmware names.
#include "core/FirmwareVersion.h"

#include <gtest/gtest.h>

#include "tests/native/Fakes.h"

TEST(CheckCodeVersion, ComparesTheFirst23BytesOfAZeroedBufferReadInOneSession) {
    const struct {
        std::string version;
        int target, oldTarget;
        bool readFails = false, keepsToTheBuffer = true;
    } cases[] = {
        {kTarget, kVersionEqual, kVersionDiffers},
        {kOldTarget, kVersionDiffers, kVersionEqual},
        {std::string(kTarget) + " build 42, 2009", kVersionEqual, kVersionDiffers},
        {"SN9C250 0. 0. 5.11SBFgg", kVersionDiffers, kVersionDiffers}, // lower-case last letter
        {std::string("SN9C250 0. 0. 5.11SBFg\0G", 24), kVersionDiffers, kVersionDiffers},
        {"SN9C250", kVersionDiffers, kVersionDiffers},
        // Written without its terminator: leftovers behind it must not complete a target's version.
        {"SN9C250 0. 0. 5.11SBFg", kVersionDiffers, kVersionDiffers},
        {kTarget, kVersionDiffers, kVersionDiffers, true}, // a failed read
        // 1,000 bytes where 52 were agreed (the sanitizer watches).
        {kTarget + std::string(1000 - 23, 'x'), kVersionEqual, kVersionDiffers, false, false},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.codeVersion = c.version;
        driver.versionReadFails = c.readFails;
        driver.keepsToTheBuffer = c.keepsToTheBuffer;
        EXPECT_EQ(CheckCodeVersion(driver, false), c.target) << c.version;
        EXPECT_EQ(CheckCodeVersion(driver, true), c.oldTarget) << c.version;
        EXPECT_EQ(driver.versionReads, 2);
        EXPECT_EQ(driver.closes, 2);
        EXPECT_TRUE(driver.handedZeroedBuffers) << c.version;
    }
}

TEST(CheckCodeVersion, InterfaceThatDoesNotOpenIsNeitherReadNorClosed) {
    for (std::int32_t result : {0, -1, -55, 7}) {
        FakeDriver driver;
        driver.openResult = result;
        driver.codeVersion = kTarget;
        EXPECT_EQ(CheckCodeVersion(driver, false), result > 0 ? kVersionEqual : kVersionNoDriver) << result;
        EXPECT_EQ(driver.versionReads, result > 0 ? 1 : 0) << result;
        EXPECT_EQ(driver.closes, result > 0 ? 1 : 0) << result;
        EXPECT_EQ(ReadCodeVersionInSession(driver), result > 0 ? kTarget : "") << result;
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
        {"SN9C250 0. 0. 5.11SBFga", "Quellmar Vistrel Solentra V2.0.1"},
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
