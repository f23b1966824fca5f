// The decision tables of the opening check, the write check and the outcome report, and the
// reading of the command-line switches.
#include "UpdateChecks.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "TextIds.h"

namespace {

constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";
constexpr char kOldTarget[] = "SN9C250 0. 0. 5.11SBFg8";
constexpr char kOlder[] = "SN9C250 0. 0. 5.11SBFgE";

struct Camera {
    FakeInventory inventory;
    FakeDriver driver;

    explicit Camera(const char* version) {
        inventory.devices = {"USB\\VID_E5A7&PID_19C4&REV_0100"};
        driver.codeVersion = version;
    }
};

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
        ExpectRefusal(OpeningCheck(camera.inventory, camera.driver, {force, false}), NextStep::CloseCancelled,
                      IDS_NOT_PLUGGED_IN);
        EXPECT_EQ(camera.driver.opens, 0);
    }
}

TEST(OpeningCheck, DriverThatDoesNotOpenRefusesEvenWithForce) {
    for (bool force : {false, true}) {
        Camera camera = Unreachable();
        ExpectRefusal(OpeningCheck(camera.inventory, camera.driver, {force, false}), NextStep::CloseCancelled,
                      IDS_NOT_PLUGGED_IN);
    }
}

TEST(OpeningCheck, TargetFirmwareAlreadyThereNamesItAndCloses) {
    Camera current(kTarget);
    ExpectRefusal(OpeningCheck(current.inventory, current.driver, {false, false}), NextStep::CloseCancelled,
                  IDS_ALREADY_LATEST, "\n\nQuellmar Vistrel Solentra V2.0.7");
    Camera old(kOldTarget);
    ExpectRefusal(OpeningCheck(old.inventory, old.driver, {false, true}), NextStep::CloseCancelled,
                  IDS_ALREADY_LATEST, "\n\nQuellmar Vistrel Solentra V1.0.8");
}

TEST(OpeningCheck, ForceWaitsForTheUserOnTheTargetFirmware) {
    Camera camera(kTarget);
    ExpectSilent(OpeningCheck(camera.inventory, camera.driver, {true, false}), NextStep::WaitForUser);
}

TEST(OpeningCheck, DifferentFirmwareWaitsWithOrWithoutForce) {
    for (bool force : {false, true}) {
        Camera camera(kOlder);
        ExpectSilent(OpeningCheck(camera.inventory, camera.driver, {force, false}), NextStep::WaitForUser);
        EXPECT_EQ(camera.driver.opens, 1);
        EXPECT_EQ(camera.driver.closes, 1);
    }
    // Under /old the default target is a different firmware too.
    Camera current(kTarget);
    ExpectSilent(OpeningCheck(current.inventory, current.driver, {false, true}), NextStep::WaitForUser);
}

TEST(WriteCheck, OldSwitchSelectsTheOlderImageBeforeAnythingElse) {
    Camera camera = Unreachable();
    int firmwareResourceId = 133;
    WriteCheck(camera.driver, {false, true}, firmwareResourceId);
    EXPECT_EQ(firmwareResourceId, 134);

    Camera current(kTarget);
    int defaultId = 133;
    WriteCheck(current.driver, {false, false}, defaultId);
    EXPECT_EQ(defaultId, 133);
}

TEST(WriteCheck, Table) {
    int id = 133;
    Camera older(kOlder);
    ExpectSilent(WriteCheck(older.driver, {false, false}, id), NextStep::RunUpdate);
    ExpectSilent(WriteCheck(older.driver, {true, false}, id), NextStep::RunUpdate);

    Camera current(kTarget);
    ExpectSilent(WriteCheck(current.driver, {true, false}, id), NextStep::RunUpdate);
    // At the write button the equality message carries no name.
    ExpectRefusal(WriteCheck(current.driver, {false, false}, id), NextStep::StayOpen, IDS_ALREADY_LATEST);

    for (bool force : {false, true}) {
        Camera gone = Unreachable();
        ExpectRefusal(WriteCheck(gone.driver, {force, false}, id), NextStep::StayOpen, IDS_NOT_PLUGGED_IN);
    }
}

TEST(WriteCheck, DoesNotAskTheInventory) {
    // A camera unplugged since opening shows up as a driver that does not open.
    Camera camera = Unreachable();
    int id = 133;
    ExpectRefusal(WriteCheck(camera.driver, {}, id), NextStep::StayOpen, IDS_NOT_PLUGGED_IN);
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
