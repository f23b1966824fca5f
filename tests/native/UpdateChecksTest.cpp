// The decision tables of the opening check, the write check and the outcome report, and the
// reading of the command-line switches.
#include "core/UpdateChecks.h"

#include <gtest/gtest.h>

#include "core/FirmwareVersion.h"
#include "core/RunEnding.h"
#include "libs/RevezoDaRur/GeneratedImages.h"
#include "core/ResourceIds.h"
#include "tests/native/Fakes.h"

namespace {

// A camera as the checks meet it.
enum class Camera {
    Present,
    Absent,          // not in the device inventory
    Unreachable,     // its driver does not open
    CutOff,          // an update cut off after the first page: the new code version over an erased rest
    LastByteDiffers, // but for its last byte, the target image
    Unread,          // the flash cannot be read back
};

struct Expected {
    NextStep next;
    int textId = 0; // 0: no message
    std::string suffix = {};
    unsigned style = 48;
};

void ExpectDecision(const Decision& decision, const Expected& expected) {
    EXPECT_EQ(decision.next, expected.next);
    EXPECT_EQ(decision.message.has_value(), expected.textId != 0);
    if (decision.message) {
        EXPECT_EQ(decision.message->textId, expected.textId);
        EXPECT_EQ(decision.message->suffix, expected.suffix);
        EXPECT_EQ(decision.message->captionId, IDS_FIRMWARE_UPDATE);
        EXPECT_EQ(decision.message->style, expected.style);
    }
}

} // namespace

enum Step { kOpening, kWrite, kUpdateDue };

// Each camera meets the opening check and, afresh, the write check and /check's question. Each
// check opens the driver once (the opening check and /check only for a camera in the inventory),
// closes what it opened, and reads the flash back only when the camera reports the target's code
// version. The write check goes by the driver alone, and under /old selects the older image
// whatever the camera says.
TEST(UpdateChecks, DecisionTables) {
    const Expected wait{NextStep::WaitForUser}, run{NextStep::RunUpdate};
    const Expected absentAtStart{NextStep::CloseCancelled, IDS_NOT_PLUGGED_IN};
    const Expected unreachable{NextStep::StayOpen, IDS_NOT_PLUGGED_IN};
    const Expected latest{NextStep::StayOpen, IDS_ALREADY_LATEST}; // at the write button, no name
    const Expected latestAtStart{NextStep::CloseCancelled, IDS_ALREADY_LATEST,
                                 "\n\nQuellmar Vistrel Solentra V2.0.7"};
    const Expected oldLatestAtStart{NextStep::CloseCancelled, IDS_ALREADY_LATEST,
                                    "\n\nQuellmar Vistrel Solentra V1.0.8"};
    const struct {
        Camera camera;
        const char* version;
        SwitchFlags flags;
        Expected opening, write;
        bool readsFlash;
        int due; // what /check says
    } cases[] = {
        {Camera::Absent, kOlder, {false, false}, absentAtStart, run, false, 4},
        {Camera::Absent, kOlder, {true, false}, absentAtStart, run, false, 4},
        {Camera::Unreachable, kTarget, {false, false}, absentAtStart, unreachable, false, 4},
        {Camera::Unreachable, kTarget, {true, false}, absentAtStart, unreachable, false, 4},
        {Camera::Unreachable, kTarget, {false, true}, absentAtStart, unreachable, false, 4},
        {Camera::Present, kTarget, {false, false}, latestAtStart, latest, true, 0},
        {Camera::Present, kTarget, {true, false}, wait, run, true, 0},
        {Camera::Present, kTarget, {false, true}, wait, run, false, 10},
        {Camera::Present, kOldTarget, {false, true}, oldLatestAtStart, latest, true, 0},
        {Camera::Present, kOldTarget, {true, true}, wait, run, true, 0},
        {Camera::Present, kOlder, {false, false}, wait, run, false, 10},
        {Camera::Present, kOlder, {true, false}, wait, run, false, 10},
        {Camera::CutOff, kTarget, {false, false}, wait, run, true, 10},
        {Camera::LastByteDiffers, kTarget, {false, false}, wait, run, true, 10},
        {Camera::Unread, kTarget, {false, false}, wait, run, true, 10},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        for (int step : {kOpening, kWrite, kUpdateDue}) {
            const bool opening = step == kOpening;
            FakeInventory inventory;
            if (c.camera != Camera::Absent)
                inventory.devices = {"USB\\VID_E5A7&PID_19C4&REV_0100"};
            FakeDriver driver;
            driver.openResult = c.camera == Camera::Unreachable ? 0 : 1;
            driver.flash = MakeFirmwareImage(c.version);
            if (c.camera == Camera::CutOff)
                std::fill(driver.flash.begin() + 256, driver.flash.end(), 0xFF);
            driver.flash.back() ^= c.camera == Camera::LastByteDiffers ? 0x01 : 0x00;
            driver.codeVersion = ReportedCodeVersion(driver.flash); // as the camera reads it from its flash
            driver.readFails = c.camera == Camera::Unread;
            GeneratedImages images;
            int id = 133;
            if (step == kUpdateDue) {
                EXPECT_EQ(EndingExitCode(UpdateDueCheck(inventory, driver, images, c.flags.old)), c.due);
            } else {
                const Decision decision = opening ? OpeningCheck(inventory, driver, images, c.flags)
                                                  : WriteCheck(driver, images, c.flags, id);
                ExpectDecision(decision, opening ? c.opening : c.write);
                // What the camera said, for the history; nothing where it was not asked.
                const bool asked =
                    !(opening && c.camera == Camera::Absent) && c.camera != Camera::Unreachable;
                EXPECT_EQ(decision.reported, asked ? c.version : "");
                EXPECT_EQ(id, !opening && c.flags.old ? 134 : 133);
            }
            const int opens = step != kWrite && c.camera == Camera::Absent ? 0 : 1;
            EXPECT_EQ(driver.opens, opens) << opening;
            EXPECT_EQ(driver.closes, c.camera == Camera::Unreachable ? 0 : opens) << opening;
            EXPECT_EQ(driver.reads, c.readsFlash && opens ? 1 : 0) << opening;
        }
    }
}

// The program's images but for one, which is not as it was built.
class DamagedImages final : public FirmwareImages {
public:
    explicit DamagedImages(int damaged) : m_damaged(damaged) {}
    std::optional<Bytes> Load(int resourceId) override { return m_images.Load(resourceId); }
    bool IsSound(int resourceId) override { return resourceId != m_damaged && m_images.IsSound(resourceId); }

private:
    GeneratedImages m_images;
    int m_damaged;
};

// The image the run would install, when damaged, is compared with nothing and never erased over:
// the write check and /check refuse before the device inventory or the driver is asked, /force or
// not; the opening check lets an older camera wait for the write button and refuses over one that
// names the target before reading its flash back. The other image damaged changes nothing.
TEST(UpdateChecks, DamagedImageIsNeverComparedNorErasedOver) {
    for (const bool old : {false, true}) {
        for (const char* version : {kOlder, old ? kOldTarget : kTarget}) {
            for (const int damaged : {133, 134}) {
                SCOPED_TRACE(std::string(version) + (old ? " /old " : " ") + std::to_string(damaged));
                const bool installed = damaged == (old ? 134 : 133);
                const bool named = version != kOlder;
                FakeInventory inventory;
                inventory.devices = {"USB\\VID_E5A7&PID_19C4&REV_0100"};
                FakeDriver driver;
                driver.flash = MakeFirmwareImage(version);
                driver.codeVersion = version;
                DamagedImages images(damaged);
                const SwitchFlags flags{true, old};
                const Decision opening = OpeningCheck(inventory, driver, images, flags);
                EXPECT_EQ(driver.reads, named && !installed ? 1 : 0);
                const int opened = driver.opens;
                int id = 133;
                const Decision write = WriteCheck(driver, images, flags, id);
                const Ending due = UpdateDueCheck(inventory, driver, images, old);
                if (installed) {
                    ExpectDecision(opening, named ? Expected{NextStep::CloseCancelled, IDS_IMAGE_DAMAGED}
                                                  : Expected{NextStep::WaitForUser});
                    ExpectDecision(write, {NextStep::CloseCancelled, IDS_IMAGE_DAMAGED});
                    EXPECT_EQ(due, Ending::ImageDamaged);
                    EXPECT_EQ(driver.opens, opened);
                } else {
                    ExpectDecision(opening, {NextStep::WaitForUser});
                    ExpectDecision(write, {NextStep::RunUpdate});
                    EXPECT_EQ(due, named ? Ending::AlreadyLatest : Ending::UpdateDue);
                }
            }
        }
    }
}

TEST(OutcomeReport, SuccessClosesAnythingElseShowsTheWindowAgain) {
    ExpectDecision(OutcomeReport(1), {NextStep::CloseOk, IDS_UPDATE_SUCCEEDED, "", 0});
    for (int result : {2, 0, -1, 3}) {
        SCOPED_TRACE(result);
        ExpectDecision(OutcomeReport(result), {NextStep::ShowAgain, IDS_UPDATE_FAILED, "", 0});
    }
}

TEST(ConfirmationSuffix, LineFeedAndTargetName) {
    EXPECT_EQ(ConfirmationSuffix(false), "\nQuellmar Vistrel Solentra V2.0.7");
    EXPECT_EQ(ConfirmationSuffix(true), "\nQuellmar Vistrel Solentra V1.0.8");
}

// /force and /old as plain, case-sensitive substrings; /quiet, /check and /? as whole words in
// either case after "/" or "-".
TEST(ReadSwitches, SubstringsForForceAndOldWholeWordsForTheRest) {
    const struct {
        const char* tail;
        bool force, old, quiet, check, help;
    } cases[] = {
        {"", false, false, false, false, false},
        {nullptr, false, false, false, false, false},
        {"/FORCE /OLD", false, false, false, false, false},
        {"-force -old", false, false, false, false, false},
        {"/forced", true, false, false, false, false},
        {"/old/force", true, true, false, false, false},
        {"/force /old", true, true, false, false, false},
        {"/old /old", false, true, false, false, false},
        {"\"C:\\Downloads\\/older\\x.txt\"", false, true, false, false, false},
        {"/for ce", false, false, false, false, false},
        {"/quiet", false, false, true, false, false},
        {"/QUIET", false, false, true, false, false},
        {"\t-Quiet\t", false, false, true, false, false},
        {"\"/quiet\" /force", true, false, true, false, false},
        {"/quieter /quiet- quiet //quiet /quiet/old", false, true, false, false, false},
        {"/check", false, false, false, true, false},
        {"/CHECK /old", false, true, false, true, false},
        {"/quiet /check", false, false, false, true, false},
        {"-check /quiet /?", false, false, false, true, false},
        {"/?", false, false, false, false, true},
        {"-? /force", true, false, false, false, true},
        {"/quiet /?", false, false, true, false, false},
        {"/?? /h /help /unknown", false, false, false, false, false},
        {"\"", false, false, false, false, false},
        {"\"\"", false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail ? c.tail : "(null)");
        const SwitchFlags flags = ReadSwitches(c.tail);
        EXPECT_EQ(flags.force, c.force);
        EXPECT_EQ(flags.old, c.old);
        EXPECT_EQ(flags.quiet, c.quiet);
        EXPECT_EQ(flags.check, c.check);
        EXPECT_EQ(flags.help, c.help);
    }
}
