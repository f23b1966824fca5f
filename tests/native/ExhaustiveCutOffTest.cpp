// Power cuts: the virtual camera losing power at a given step, whole or torn, and every such cut
// of a whole update, each followed by what the next start of the program decides and does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "core/UpdateChecks.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/GeneratedImages.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tests/native/Fakes.h"

namespace {

// A camera plugged in with older firmware goes through these calls; with its steps numbered from
// plugging in: the open is step 1, the erase steps 2 to 17, the two pages 18 and 19, the two
// read transfers 20 and 21.
constexpr std::uint32_t kPages = 2, kTransfers = 2;
constexpr std::uint32_t kFirstPageStep = 18, kFirstTransferStep = 20, kAllSteps = 21;

// Plugs the camera in with older firmware and the cut, then runs the calls until one fails: the
// number of calls that succeeded.
int CallsUntilFailure(const std::filesystem::path& folder, std::uint32_t cut, bool torn,
                      std::uint64_t seed = 1) {
    CameraSettings settings;
    settings.seed = seed;
    settings.cutAfterSteps = cut;
    settings.cutTorn = torn;
    if (!VirtualCamera::Plug(folder, MakeFirmwareImage(kOlder), settings))
        return -1;
    VirtualCamera camera(folder);
    FlashImage buffer = MakeFirmwareImage(kTarget), read(kTransfers * 4096);
    if (camera.Initialize_DriverInterface() <= 0)
        return 0;
    if (!camera.EraseSF())
        return 1;
    if (!camera.ReqToDriver(kRequestWriteFlash, 0, buffer.data(), kPages * 256))
        return 2;
    if (!camera.ReqToDriver(kRequestReadFlash, 0, read.data(), static_cast<std::uint32_t>(read.size())))
        return 3;
    return 4;
}

// The flash after the first `steps` steps of those calls, all whole.
FlashImage AfterSteps(const FlashImage& older, const FlashImage& data, std::uint32_t steps) {
    FlashImage flash = older;
    for (std::uint32_t sector = 0; sector < 16 && sector + 2 <= steps; ++sector)
        std::fill_n(flash.begin() + sector * 4096, 4096, 0xFF);
    for (std::uint32_t page = 0; page < kPages && kFirstPageStep + page <= steps; ++page)
        std::copy_n(data.begin() + page * 256, 256, flash.begin() + page * 256);
    return flash;
}

} // namespace

TEST(PowerCut, TheCameraStopsAtTheStepTornOrWholeAndIsBackWhenPluggedIn) {
    const FlashImage older = MakeFirmwareImage(kOlder);
    const FlashImage data = MakeFirmwareImage(kTarget);
    const struct {
        std::uint32_t cut;
        bool torn;
        int callsThrough; // the calls that still answered
    } cases[] = {
        {1, false, 0},                  // opened, but the answer is lost
        {1, true, 0},                   // torn open
        {2, false, 1},                  // first sector erased
        {9, true, 1},                   // eighth sector torn
        {17, false, 1},                 // the erase's last step, its answer lost
        {kFirstPageStep, true, 2},      // first page torn
        {kFirstPageStep + 1, false, 2}, // both pages, the answer lost
        {kFirstTransferStep, true, 3},  // a read torn just fails
        {kAllSteps, false, 3},          // the last transfer read, the answer lost
        {kAllSteps + 1, false, 4},      // no cut within the calls
        {0, true, 4},                   // 0: never
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("cut after step " + std::to_string(c.cut) + (c.torn ? ", torn" : ""));
        TempFolder folder;
        EXPECT_EQ(CallsUntilFailure(folder.Path(), c.cut, c.torn), c.callsThrough);

        const std::uint32_t reached = c.cut == 0 || c.cut > kAllSteps ? kAllSteps : c.cut;
        EXPECT_EQ(LoadCounters(folder.Path())->steps, reached);
        const FlashImage flash = *LoadFlash(folder.Path());
        const bool tearsFlash = c.torn && c.cut >= 2 && c.cut < kFirstTransferStep;
        const std::uint32_t whole = c.torn ? reached - 1 : reached;
        if (!tearsFlash) {
            EXPECT_EQ(flash, AfterSteps(older, data, whole));
        } else {
            // Every byte but those of the torn sector or page is as the whole steps left it; in
            // those, only some of the bits went.
            const FlashImage before = AfterSteps(older, data, whole);
            const FlashImage after = AfterSteps(older, data, reached);
            const std::size_t start =
                c.cut < kFirstPageStep ? (c.cut - 2) * 4096 : (c.cut - kFirstPageStep) * 256;
            const std::size_t size = c.cut < kFirstPageStep ? 4096 : 256;
            int partBytes = 0;
            for (std::size_t i = 0; i < kFlashSize; ++i) {
                const bool inTornStep = i >= start && i < start + size;
                if (!inTornStep) {
                    ASSERT_EQ(flash[i], before[i]) << "byte " << i;
                    continue;
                }
                // Between the step's start and its end, bit by bit: the bits both agree on are
                // kept, and the others are either.
                ASSERT_EQ(flash[i] & before[i] & after[i], before[i] & after[i]) << "byte " << i;
                ASSERT_EQ(flash[i] & ~(before[i] | after[i]) & 0xFF, 0) << "byte " << i;
                partBytes += flash[i] != before[i] && flash[i] != after[i];
            }
            EXPECT_GT(partBytes, 0);
        }

        // Gone until plugged in again, whatever is called.
        if (c.callsThrough < 4) {
            EXPECT_LE(VirtualCamera(folder.Path()).Initialize_DriverInterface(), 0);
            EXPECT_EQ(*LoadFlash(folder.Path()), flash);
        }
        ASSERT_TRUE(VirtualCamera::Plug(folder.Path(), flash, {}));
        VirtualCamera plugged(folder.Path());
        EXPECT_GT(plugged.Initialize_DriverInterface(), 0);
        std::uint8_t version[kCodeVersionBufferSize] = {};
        EXPECT_TRUE(plugged.GetCodeVersion(version));
    }
}

TEST(PowerCut, ATornStepFollowsTheSeed) {
    // A sector erase and a page program, each torn under two seeds, twice each.
    for (const std::uint32_t cut : {5u, kFirstPageStep + 1}) {
        std::vector<FlashImage> flashes;
        for (const std::uint64_t seed : {7u, 7u, 8u}) {
            TempFolder folder;
            CallsUntilFailure(folder.Path(), cut, true, seed);
            flashes.push_back(*LoadFlash(folder.Path()));
        }
        EXPECT_EQ(flashes[0], flashes[1]) << "step " << cut;
        EXPECT_NE(flashes[0], flashes[2]) << "step " << cut;
    }
}

namespace {

constexpr char kCameraHardwareId[] = "USB\\VID_E5A7&PID_19C4&REV_0100";

// Keeps the update's result: WM_FLASH_DONE's.
class ResultSink final : public MessageSink {
public:
    void Post(WindowHandle, unsigned message, std::uintptr_t wParam, std::intptr_t) override {
        if (message == WM_FLASH_DONE)
            verified = wParam == 1;
    }
    std::optional<bool> verified;
};

// A whole update as the update dialog runs it; true when it reported the flash verified.
bool Update(DriverApi& driver, FirmwareImages& images, int firmwareResourceId) {
    ResultSink sink;
    const FlashContext context{driver, images, sink, firmwareResourceId};
    FlashThreadProc(context, nullptr);
    return sink.verified == true;
}

struct Scenario {
    const char* name;
    FlashImage start;
    bool old;                // the update runs under /old
    CameraSettings settings; // the faults of the update that is cut
};

class ExhaustiveCutOffTest : public ::testing::Test {
protected:
    // Cuts the scenario's update at every erase, program and read step of every attempt, just
    // before the step, just after it and in its middle; checks what the next start does with each
    // flash left. Returns the cut points tried.
    int CutEverywhere(const Scenario& scenario) {
        const FlashImage target = MakeFirmwareImage(TargetFirmwareFor(scenario.old).codeVersion);
        const int targetId = TargetFirmwareFor(scenario.old).imageResourceId;

        // The update uncut, for its steps: each noted as the call it belongs to.
        EXPECT_TRUE(VirtualCamera::Plug(m_folder.Path(), scenario.start, scenario.settings));
        std::string calls, steps;
        VirtualCamera camera(m_folder.Path(), {{}, {}, [&] { steps += calls.back(); }});
        CountingDriver log(camera);
        log.timeline = &calls;
        EXPECT_TRUE(Update(log, m_images, targetId)) << scenario.name;
        EXPECT_EQ(*LoadFlash(m_folder.Path()), target) << scenario.name;

        int tried = 0;
        for (std::uint32_t step = 1; step <= steps.size(); ++step) {
            const char call = steps[step - 1];
            if (call != 'e' && call != 'w' && call != 'r')
                continue;
            const struct {
                const char* name;
                std::uint32_t cutAfter;
                bool torn;
            } ways[] = {{"before", step - 1, false}, {"after", step, false}, {"torn", step, true}};
            for (const auto& way : ways) {
                ++tried;
                const std::string where = std::string(scenario.name) + ", step " + std::to_string(step) +
                                          " (" + call + "), " + way.name;
                CutAt(scenario, way.cutAfter, way.torn, target, where);
            }
        }
        return tried;
    }

    void CutAt(const Scenario& scenario, std::uint32_t cutAfter, bool torn, const FlashImage& target,
               const std::string& where) {
        CameraSettings settings = scenario.settings;
        settings.seed = 20261207;
        settings.cutAfterSteps = cutAfter;
        settings.cutTorn = torn;
        if (!VirtualCamera::Plug(m_folder.Path(), scenario.start, settings))
            return Problem(where + ": the camera was not plugged in");
        VirtualCamera cut(m_folder.Path());
        if (Update(cut, m_images, TargetFirmwareFor(scenario.old).imageResourceId))
            Problem(where + ": the update cut off reported success");
        const FlashImage left = *LoadFlash(m_folder.Path());

        // The power is back and the program starts again.
        if (!VirtualCamera::Plug(m_folder.Path(), left, {}))
            return Problem(where + ": the camera was not plugged in again");
        VirtualCamera camera(m_folder.Path());
        FakeInventory inventory;
        inventory.devices = {kCameraHardwareId};
        SwitchFlags flags;
        flags.old = scenario.old;
        int firmwareResourceId = kDefaultFirmwareResourceId;
        Decision decision = OpeningCheck(inventory, camera, m_images, flags);
        if (decision.next == NextStep::WaitForUser && !decision.message)
            decision = WriteCheck(camera, m_images, flags, firmwareResourceId);
        const bool alreadyLatest = decision.message && decision.message->textId == IDS_ALREADY_LATEST;
        if (alreadyLatest && left != target)
            return Problem(where + ": \"already the latest\" over a flash that is not the target");
        if (!alreadyLatest) {
            if (decision.next != NextStep::RunUpdate)
                return Problem(where + ": the next start does not update");
            if (!Update(camera, m_images, firmwareResourceId))
                Problem(where + ": the next update failed");
        }
        if (*LoadFlash(m_folder.Path()) != target)
            Problem(where + ": the next start did not leave the target");
    }

    void Problem(const std::string& problem) {
        if (m_problems.size() < 10)
            ADD_FAILURE() << problem;
        m_problems.push_back(problem);
    }

    TempFolder m_folder;
    GeneratedImages m_images;
    std::vector<std::string> m_problems;
};

} // namespace

TEST_F(ExhaustiveCutOffTest, NoCutOfAnUpdateLeavesAFlashTheNextStartCallsLatestOrCannotRestore) {
    const CameraSettings firstReadBackFails = With(Fault::ReadCorrupt, 1);
    const Scenario scenarios[] = {
        {"older firmware to the target", MakeFirmwareImage(kOlder), false, {}},
        {"the target to the older image under /old", MakeFirmwareImage(kTarget), true, {}},
        {"a blank flash to the target", FlashImage(kFlashSize, 0xFF), false, {}},
        {"a first attempt whose read-back fails", MakeFirmwareImage(kOlder), false, firstReadBackFails},
    };
    int tried = 0;
    for (const Scenario& scenario : scenarios) {
        const int here = CutEverywhere(scenario);
        std::printf("%s: %d cut points\n", scenario.name, here);
        tried += here;
    }
    std::printf("%d cut points tried, %zu problems\n", tried, m_problems.size());
    EXPECT_TRUE(m_problems.empty());
}
