// The decision tables of the opening check, the write check and the outcome report, and the
// reading of the command-line switches.
#include "core/UpdateChecks.h"

#include <gtest/gtest.h>

#include "libs/RevezoDaRur/GeneratedImages.h"
#include "res/resource.h"
#include "tests/native/Fakes.h"

namespace {

constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";
constexpr char kOldTarget[] = "SN9C250 0. 0. 5.11SBFg8";
constexpr char kOlder[] = "SN9C250 0. 0. 5.11SBFgE";

// A camera whose flash holds `flash` and reports the code version written in it.
class FlashDriver final : public DriverApi {
public:
    std::int32_t openResult = 1;
    FlashImage flash;
    bool readFails = false;
    int opens = 0, reads = 0, closes = 0;

    std::int32_t Initialize_DriverInterface() override {
        ++opens;
        return openResult;
    }
    bool GetCodeVersion(std::uint8_t* buffer) override {
        const std::string version = ReportedCodeVersion(flash);
        std::memcpy(buffer, version.data(), std::min(version.size(), kCodeVersionBufferSize));
        return true;
    }
    bool EraseSF() override { return false; }
    bool ReqToDriver(std::uint8_t request, std::uint32_t, std::uint8_t* buffer,
                     std::uint32_t length) override {
        ++reads;
        if (request != kRequestReadFlash || readFails || length > flash.size())
            return false;
        std::memcpy(buffer, flash.data(), length);
        return true;
    }
    bool UnInitialize_DriverInterface() override {
        ++closes;
        return true;
    }
};

struct Camera {
    FakeInventory inventory;
    FlashDriver driver;
    GeneratedImages images;

    explicit Camera(const char* version) {
        inventory.devices = {"USB\\VID_E5A7&PID_19C4&REV_0100"};
        driver.flash = MakeFirmwareImage(version);
    }
};

// The flash an update cut off after its first page leaves: the new code version over an erased rest.
FlashImage CutOffAfterFirstPage(const char* version) {
    FlashImage flash(kFlashSize, 0xFF);
    const FlashImage image = MakeFirmwareImage(version);
    std::copy(image.begin(), image.begin() + 256, flash.begin());
    return flash;
}

Camera Absent() {
    Camera camera(kTarget);
    camera.inventory.devices.clear();
    return camera;
}

Camera Unreachable() {
    Camera camera(kTarget);
    camera.driver.openResult = 0;
    return camera;
}

void ExpectRefusal(const Decision& decision, NextStep next, int textId, const std::string& suffix = "") {
    EXPECT_EQ(decision.next, next);
    ASSERT_TRUE(decision.message);
    EXPECT_EQ(decision.message->textId, textId);
    EXPECT_EQ(decision.message->suffix, suffix);
    EXPECT_EQ(decision.message->captionId, IDS_FIRMWARE_UPDATE);
    EXPECT_EQ(decision.message->style, 48u);
}

void ExpectSilent(const Decision& decision, NextStep next) {
    EXPECT_EQ(decision.next, next);
    EXPECT_FALSE(decision.message);
}

} // namespace

TEST(OpeningCheck, NoCameraRefusesWithoutOpeningTheDriver) {
    for (bool force : {false, true}) {
        Camera camera = Absent();
        ExpectRefusal(OpeningCheck(camera.inventory, camera.driver, camera.images, {force, false}),
                      NextStep::CloseCancelled, IDS_NOT_PLUGGED_IN);
        EXPECT_EQ(camera.driver.opens, 0);
    }
}

TEST(OpeningCheck, DriverThatDoesNotOpenRefusesEvenWithForce) {
    for (bool force : {false, true}) {
        Camera camera = Unreachable();
        ExpectRefusal(OpeningCheck(camera.inventory, camera.driver, camera.images, {force, false}),
                      NextStep::CloseCancelled, IDS_NOT_PLUGGED_IN);
    }
}

TEST(OpeningCheck, TargetFirmwareAlreadyThereNamesItAndCloses) {
    Camera current(kTarget);
    ExpectRefusal(OpeningCheck(current.inventory, current.driver, current.images, {false, false}),
                  NextStep::CloseCancelled, IDS_ALREADY_LATEST, "\n\nQuellmar Vistrel Solentra V2.0.7");
    Camera old(kOldTarget);
    ExpectRefusal(OpeningCheck(old.inventory, old.driver, old.images, {false, true}),
                  NextStep::CloseCancelled, IDS_ALREADY_LATEST, "\n\nQuellmar Vistrel Solentra V1.0.8");
}

TEST(OpeningCheck, ForceWaitsForTheUserOnTheTargetFirmware) {
    Camera camera(kTarget);
    ExpectSilent(OpeningCheck(camera.inventory, camera.driver, camera.images, {true, false}),
                 NextStep::WaitForUser);
}

TEST(OpeningCheck, DifferentFirmwareWaitsWithOrWithoutForce) {
    for (bool force : {false, true}) {
        Camera camera(kOlder);
        ExpectSilent(OpeningCheck(camera.inventory, camera.driver, camera.images, {force, false}),
                     NextStep::WaitForUser);
        EXPECT_EQ(camera.driver.opens, 1);
        EXPECT_EQ(camera.driver.closes, 1);
    }
    // Under /old the default target is a different firmware too.
    Camera current(kTarget);
    ExpectSilent(OpeningCheck(current.inventory, current.driver, current.images, {false, true}),
                 NextStep::WaitForUser);
}

TEST(WriteCheck, OldSwitchSelectsTheOlderImageBeforeAnythingElse) {
    Camera camera = Unreachable();
    int firmwareResourceId = 133;
    WriteCheck(camera.driver, camera.images, {false, true}, firmwareResourceId);
    EXPECT_EQ(firmwareResourceId, 134);

    Camera current(kTarget);
    int defaultId = 133;
    WriteCheck(current.driver, current.images, {false, false}, defaultId);
    EXPECT_EQ(defaultId, 133);
}

TEST(WriteCheck, Table) {
    int id = 133;
    Camera older(kOlder);
    ExpectSilent(WriteCheck(older.driver, older.images, {false, false}, id), NextStep::RunUpdate);
    ExpectSilent(WriteCheck(older.driver, older.images, {true, false}, id), NextStep::RunUpdate);

    Camera current(kTarget);
    ExpectSilent(WriteCheck(current.driver, current.images, {true, false}, id), NextStep::RunUpdate);
    // At the write button the equality message carries no name.
    ExpectRefusal(WriteCheck(current.driver, current.images, {false, false}, id), NextStep::StayOpen,
                  IDS_ALREADY_LATEST);

    for (bool force : {false, true}) {
        Camera gone = Unreachable();
        ExpectRefusal(WriteCheck(gone.driver, gone.images, {force, false}, id), NextStep::StayOpen,
                      IDS_NOT_PLUGGED_IN);
    }
}

TEST(WriteCheck, OldSwitchTargetsTheOlderFirmware) {
    int id = 133;
    Camera old(kOldTarget);
    ExpectRefusal(WriteCheck(old.driver, old.images, {false, true}, id), NextStep::StayOpen,
                  IDS_ALREADY_LATEST);
    ExpectSilent(WriteCheck(old.driver, old.images, {true, true}, id), NextStep::RunUpdate);
    Camera current(kTarget);
    ExpectSilent(WriteCheck(current.driver, current.images, {false, true}, id), NextStep::RunUpdate);
    EXPECT_EQ(id, 134);
}

TEST(UpdateChecks, TargetVersionOverAnIncompleteFlashIsNotTheTarget) {
    // An update cut off after the first page: the camera names the new firmware.
    Camera torn(kTarget);
    torn.driver.flash = CutOffAfterFirstPage(kTarget);
    ExpectSilent(OpeningCheck(torn.inventory, torn.driver, torn.images, {}), NextStep::WaitForUser);
    int id = 133;
    ExpectSilent(WriteCheck(torn.driver, torn.images, {}, id), NextStep::RunUpdate);
    EXPECT_EQ(torn.driver.opens, torn.driver.closes); // one session each, read back inside it

    // Only the last byte differs.
    Camera last(kTarget);
    last.driver.flash.back() ^= 0x01;
    ExpectSilent(OpeningCheck(last.inventory, last.driver, last.images, {}), NextStep::WaitForUser);

    // A read-back that fails proves nothing: the update is offered.
    Camera unread(kTarget);
    unread.driver.readFails = true;
    ExpectSilent(OpeningCheck(unread.inventory, unread.driver, unread.images, {}), NextStep::WaitForUser);

    // A firmware that differs is not read back at all.
    Camera older(kOlder);
    ExpectSilent(OpeningCheck(older.inventory, older.driver, older.images, {}), NextStep::WaitForUser);
    EXPECT_EQ(older.driver.reads, 0);
}

TEST(WriteCheck, DoesNotAskTheInventory) {
    // A camera unplugged since opening shows up as a driver that does not open.
    Camera camera = Unreachable();
    int id = 133;
    ExpectRefusal(WriteCheck(camera.driver, camera.images, {}, id), NextStep::StayOpen, IDS_NOT_PLUGGED_IN);
    EXPECT_EQ(camera.inventory.askedClass, "");
}

TEST(OutcomeReport, SuccessClosesAnythingElseShowsTheWindowAgain) {
    const Decision success = OutcomeReport(1);
    EXPECT_EQ(success.next, NextStep::CloseOk);
    ASSERT_TRUE(success.message);
    EXPECT_EQ(success.message->textId, IDS_UPDATE_SUCCEEDED);
    EXPECT_EQ(success.message->style, 0u);
    EXPECT_EQ(success.message->captionId, IDS_FIRMWARE_UPDATE);

    for (int result : {2, 0, -1, 3}) {
        const Decision failure = OutcomeReport(result);
        EXPECT_EQ(failure.next, NextStep::ShowAgain) << result;
        ASSERT_TRUE(failure.message);
        EXPECT_EQ(failure.message->textId, IDS_UPDATE_FAILED);
        EXPECT_EQ(failure.message->style, 0u);
    }
}

TEST(ConfirmationSuffix, LineFeedAndTargetName) {
    EXPECT_EQ(ConfirmationSuffix(false), "\nQuellmar Vistrel Solentra V2.0.7");
    EXPECT_EQ(ConfirmationSuffix(true), "\nQuellmar Vistrel Solentra V1.0.8");
}

TEST(ReadSwitches, PlainCaseSensitiveSubstrings) {
    const struct {
        const char* tail;
        bool force, old;
    } cases[] = {
        {"", false, false},
        {nullptr, false, false},
        {"/FORCE /OLD", false, false},
        {"-force -old", false, false},
        {"/forced", true, false},
        {"/old/force", true, true},
        {"/force /old", true, true},
        {"/old /old", false, true},
        {"\"C:\\Downloads\\/older\\x.txt\"", false, true},
        {"/for ce", false, false},
    };
    for (const auto& c : cases) {
        const SwitchFlags flags = ReadSwitches(c.tail);
        EXPECT_EQ(flags.force, c.force) << (c.tail ? c.tail : "(null)");
        EXPECT_EQ(flags.old, c.old) << (c.tail ? c.tail : "(null)");
    }
}
