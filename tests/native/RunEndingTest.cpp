// Every ending of a run: its name in the history, its exit code, and what its record keeps.
#include "core/RunEnding.h"

#include <gtest/gtest.h>

#include "core/ResourceIds.h"

// A cancel, and a begun update, keep the code of the step that ended last; every other ending
// has a code of its own. The record carries the ending, its code and what the caller saw.
TEST(RunEnding, EveryEndingItsNameExitCodeAndRecord) {
    constexpr int kSoFar = 1; // a failed update, say, before the user closed the window
    const struct {
        Ending ending;
        const char* name;
        int exitCode;
    } cases[] = {
        {Ending::Updated, "updated", 0},
        {Ending::UpdateFailed, "update-failed", 1},
        {Ending::Cancelled, "cancelled", kSoFar},
        {Ending::NoCamera, "no-camera", 4},
        {Ending::AlreadyLatest, "already-latest", 0},
        {Ending::Begun, "begun", kSoFar},
        {Ending::Interrupted, "interrupted", kSoFar},
        {Ending::Crashed, "crashed", 6},
        {Ending::ImageDamaged, "image-damaged", 7},
        {Ending::UpdateDue, "update-due", 10},
    };
    HistoryRecord seen;
    seen.before = "SN9C250 0. 0. 5.11SBFgE";
    seen.after = "SN9C250 0. 0. 5.11SBFgG";
    seen.driver = "absent";
    seen.attempts = {FlashAttempt{true, true, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(EndingName(c.ending), c.name);
        const std::string exit = c.ending == Ending::Begun ? "-" : std::to_string(c.exitCode);
        EXPECT_EQ(
            FormatRecord(EndingRecord(c.ending, seen, kSoFar)),
            "time=\tversion=\tswitches=-\tbefore=SN9C250 0. 0. 5.11SBFgE\ttarget=0\ttarget-name=\tending=" +
                std::string(c.name) + "\texit=" + exit +
                "\tattempts=erase:ok,read:ok\tdriver=absent\tafter=SN9C250 0. 0. 5.11SBFgG\n");
    }
}

// A refusal ends as its text says; an update as its verification.
TEST(RunEnding, RefusalsAndUpdates) {
    const struct {
        int textId;
        Ending ending;
    } refusals[] = {{IDS_ALREADY_LATEST, Ending::AlreadyLatest},
                    {IDS_NOT_PLUGGED_IN, Ending::NoCamera},
                    {IDS_IMAGE_DAMAGED, Ending::ImageDamaged}};
    for (const auto& r : refusals)
        EXPECT_EQ(RefusalEnding({r.textId, {}, IDS_FIRMWARE_UPDATE, 48}), r.ending) << r.textId;
    EXPECT_EQ(UpdateEnding(true), Ending::Updated);
    EXPECT_EQ(UpdateEnding(false), Ending::UpdateFailed);
}
