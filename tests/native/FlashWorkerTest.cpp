// The flashing worker against the virtual camera: the stages it posts, its attempts, and above
// all that it reports success exactly when the flash holds the image.
#include "core/FlashWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "core/FirmwareVersion.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tests/native/Fakes.h"

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x1234);

// What the worker posts, a letter each: E, W and R for the erase, write and read-back stages
// (WM_FLASH_PROGRESS with the position where the stage starts, and in lParam where its stepping
// stops and how fast), V or F for the result (WM_FLASH_DONE 1 or 0), ? for anything else.
class RecordingSink final : public MessageSink {
public:
    std::string posts;
    std::string* timeline = nullptr; // when set, each post is noted here too
    void Post(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        EXPECT_EQ(window, kWindow);
        static const std::map<std::tuple<unsigned, std::uintptr_t, std::intptr_t>, char> kLetters = {
            {{WM_FLASH_PROGRESS, 0, 0x03E8000A}, 'E'},  // to 10, a step a second
            {{WM_FLASH_PROGRESS, 10, 0x01F4004B}, 'W'}, // to 75, a step every 500 ms
            {{WM_FLASH_PROGRESS, 75, 0x01F40064}, 'R'}, // to 100, a step every 500 ms
            {{WM_FLASH_DONE, 1, 0}, 'V'},
            {{WM_FLASH_DONE, 0, 0}, 'F'},
        };
        const auto found = kLetters.find({message, wParam, lParam});
        const char post = found != kLetters.end() ? found->second : '?';
        posts += post;
        if (timeline)
            *timeline += post;
    }
};

class MapImages final : public FirmwareImages {
public:
    std::map<int, FlashImage> images;
    std::vector<int> asked;
    std::optional<Bytes> Load(int resourceId) override {
        asked.push_back(resourceId);
        const auto found = images.find(resourceId);
        if (found == images.end())
            return std::nullopt;
        return Bytes{found->second.data(), found->second.size()};
    }
    bool IsSound(int) override { return true; } // the worker never asks
};

std::unique_ptr<std::uint8_t[]> NoMemory(std::size_t) {
    return nullptr;
}

// The firmware image of resource 133 or, under /old, 134.
const FlashImage& Image(bool old = false) {
    static const FlashImage images[] = {MakeFirmwareImage(TargetFirmwareFor(false).codeVersion),
                                        MakeFirmwareImage(TargetFirmwareFor(true).codeVersion)};
    return images[old];
}

// Buffers that already hold image 133, as memory freed by an earlier attempt might.
std::unique_ptr<std::uint8_t[]> MemoryHoldingTheImage(std::size_t size) {
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
    std::copy_n(Image().begin(), std::min(size, Image().size()), buffer.get());
    return buffer;
}

class FlashWorkerTest : public ::testing::Test {
protected:
    FlashWorkerTest() : m_camera(m_folder.Path()), m_driver(m_camera) {}

    // Plugs the camera in afresh for the next job and forgets what the last one did.
    void Plug(const CameraSettings& settings = {}, const FlashImage& flash = MakeFirmwareImage(kOlder)) {
        ASSERT_TRUE(VirtualCamera::Plug(m_folder.Path(), flash, settings));
        m_images.images = {{133, Image()}, {134, Image(true)}};
        m_sink.posts.clear();
        m_driver.Reset();
        m_attempts.clear();
    }
    void Run(BufferAllocator allocate = AllocateBuffer) {
        FlashContext context{m_driver, m_images, m_sink, m_firmwareResourceId, allocate};
        context.attempts = &m_attempts;
        FlashThreadProc(context, kWindow);
    }
    // The attempts the job logged, as the update history words them.
    std::string Attempts() const {
        std::string text;
        for (const FlashAttempt& attempt : m_attempts) {
            text += std::string(text.empty() ? "" : ";") + (attempt.erased ? "erase:ok" : "erase:failed") +
                    (attempt.readBack ? ",read:ok" : ",read:failed");
            if (attempt.firstDifference)
                text += ",differs@" + std::to_string(*attempt.firstDifference);
        }
        return text;
    }
    FlashImage Flash() const { return *LoadFlash(m_folder.Path()); }
    // Every session the worker opened, it closed.
    void ExpectSessionsClosed() const { EXPECT_EQ(m_driver.opened, m_driver.closed); }

    TempFolder m_folder;
    VirtualCamera m_camera;
    CountingDriver m_driver;
    MapImages m_images;
    RecordingSink m_sink;
    std::vector<FlashAttempt> m_attempts;
    int m_firmwareResourceId = 133;
};

} // namespace

TEST_F(FlashWorkerTest, FirstAttemptVerifiedPostsEachStageBeforeItsCallThenSuccess) {
    Plug();
    m_firmwareResourceId = 134; // read from the context at every step
    std::string timeline;
    m_sink.timeline = m_driver.timeline = &timeline;
    Run();
    EXPECT_EQ(timeline, "oEeWwRorV"); // the posts, and the calls in lower case
    EXPECT_EQ(Attempts(), "erase:ok,read:ok");
    EXPECT_EQ(Flash(), Image(true));
    EXPECT_EQ(m_images.asked, (std::vector<int>{134, 134}));
    EXPECT_EQ(m_driver.writeLengths, std::vector<std::uint32_t>{35428});
    EXPECT_EQ(m_driver.readLengths, std::vector<std::uint32_t>{65536});
    EXPECT_EQ(m_driver.opened, 2);
    ExpectSessionsClosed();
}

TEST_F(FlashWorkerTest, FailedAttemptIsRetriedAndLoggedWithItsFirstDifference) {
    const struct {
        Fault fault;
        const char* posts;
        const char* attempts;
    } cases[] = {
        {Fault::ReadCorrupt, "EWREWRV", "erase:ok,read:ok,differs@65535;erase:ok,read:ok"},
        // A failed erase skips the write but not the read-back, which finds the old firmware
        // differing where its version text does ("...gE" against "...gG").
        {Fault::EraseFail, "EREWRV", "erase:failed,read:ok,differs@30;erase:ok,read:ok"},
        // A read that failed compared nothing.
        {Fault::ReadFail, "EWREWRV", "erase:ok,read:failed;erase:ok,read:ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        Plug(With(c.fault, 1));
        Run();
        EXPECT_EQ(m_sink.posts, c.posts);
        EXPECT_EQ(Attempts(), c.attempts);
        EXPECT_EQ(m_driver.writeLengths.size(), std::count(m_sink.posts.begin(), m_sink.posts.end(), 'W'));
        EXPECT_EQ(Flash(), Image());
        ExpectSessionsClosed();
    }
}

// Faults on every attempt: each attempt runs all three stages, and the job fails, also where the
// flash does hold the image but the read-back cannot prove it.
TEST_F(FlashWorkerTest, FaultOnEveryAttemptNeverGivesSuccess) {
    const struct {
        Fault fault;
        bool written;
    } cases[] = {
        {Fault::ReadCorrupt, true},     // the flash's last byte read back inverted
        {Fault::ReadFail, true},        // written fine, but unproven
        {Fault::ReadShort, true},       // the unread half must not pass, though memory held the image
        {Fault::StuckBits, false},      // not erased just beyond the written part
        {Fault::WriteNothing, false},   // the write lies
        {Fault::WritePartial, false},   //
        {Fault::EraseInterrupt, false}, // so does the erase
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        CameraSettings settings = With(c.fault, 100);
        settings.stuckOffset = 35428;
        settings.stuckMask = 0x40;
        // Fully programmed, so whatever an interrupted erase leaves is visible.
        Plug(settings, FlashImage(kFlashSize, 0x00));
        Run(MemoryHoldingTheImage);
        EXPECT_EQ(m_sink.posts, "EWREWREWRF");
        EXPECT_EQ(Flash() == Image(), c.written);
        ExpectSessionsClosed();
    }
}

// An image that is missing or not of exactly 65,536 bytes, a driver that does not open, or no
// memory for the buffers: each attempt posts only its read-back stage and touches no flash.
TEST_F(FlashWorkerTest, AttemptThatCannotStartErasesAndReadsNothing) {
    const struct {
        const char* name;
        std::function<void(MapImages&)> images;
        std::uint32_t openFails;
        BufferAllocator allocate;
        int opened;
    } cases[] = {
        {"missing", [](MapImages& m) { m.images.clear(); }, 0, AllocateBuffer, 0},
        {"short", [](MapImages& m) { m.images[133].resize(65535); }, 0, AllocateBuffer, 0},
        {"long", [](MapImages& m) { m.images[133].resize(65537, 0xFF); }, 0, AllocateBuffer, 0},
        {"empty", [](MapImages& m) { m.images[133].clear(); }, 0, AllocateBuffer, 0},
        {"no driver", [](MapImages&) {}, 100, AllocateBuffer, 0},
        {"no memory", [](MapImages&) {}, 0, NoMemory, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Plug(With(Fault::OpenFail, c.openFails));
        c.images(m_images);
        Run(c.allocate);
        EXPECT_EQ(m_sink.posts, "RRRF");
        EXPECT_EQ(m_driver.opened, c.opened);
        EXPECT_EQ(m_driver.erases + m_driver.readLengths.size(), 0u);
        EXPECT_EQ(Flash(), MakeFirmwareImage(kOlder));
        ExpectSessionsClosed();
    }
}

// A thousand jobs on cameras that misbehave at random. Whatever happens, the worker never
// reports success for a flash that does not hold the image, never posts outside the fixed shape,
// and leaves no driver session open. When every fault is on the writing side (the read-back is
// honest), it also never reports failure for a flash that does hold the image.
TEST_F(FlashWorkerTest, RandomFaultsNeverGiveAFalseResult) {
    std::mt19937_64 random(20261206);
    auto chance = [&random](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
    auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };

    const Fault writeSide[] = {Fault::EraseFail,    Fault::EraseInterrupt, Fault::WriteFail,
                               Fault::WriteNothing, Fault::WritePartial,   Fault::StuckBits};
    const Fault readSide[] = {Fault::OpenFail, Fault::ReadFail, Fault::ReadShort, Fault::ReadFlip,
                              Fault::ReadCorrupt};
    std::vector<FlashImage> earlierFlashes = {Image(true), FlashImage(kFlashSize, 0x00),
                                              FlashImage(kFlashSize, 0xFF)};
    for (int i = 0; i < 5; ++i) {
        FlashImage& noise = earlierFlashes.emplace_back(kFlashSize);
        std::generate(noise.begin(), noise.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    }
    int verified = 0, failed = 0;
    // The shapes a job may post: one to three attempts of [erase [write]] read-back, all three
    // unless one verified, then the result.
    std::set<std::string> shapes;
    for (const char* first : {"EWR", "ER", "R"})
        for (const char* second : {"EWR", "ER", "R"})
            for (const char* third : {"EWR", "ER", "R"})
                shapes.insert({first + std::string("V"), first + std::string(second) + "V",
                               first + std::string(second) + third + "V",
                               first + std::string(second) + third + "F"});

    for (int job = 0; job < 1000; ++job) {
        CameraSettings settings;
        settings.seed = random();
        auto maybeFault = [&](Fault fault) {
            if (!chance(0.25))
                return false;
            FaultRule& rule = settings.Rule(fault);
            rule.firstCalls = chance(0.5) ? 1 + below(3) : 0;
            rule.perMillion = chance(0.5) ? below(600000) : 0;
            return rule.firstCalls != 0 || rule.perMillion != 0;
        };
        bool readSideFaults = false;
        for (Fault fault : writeSide)
            maybeFault(fault);
        for (Fault fault : readSide)
            readSideFaults |= maybeFault(fault);
        if (chance(0.1)) {
            settings.unplugAfterCalls = 1 + below(20);
            readSideFaults = true;
        }
        settings.corruptOffset = below(kFlashSize);
        settings.stuckOffset = below(kFlashSize);
        settings.stuckMask = 1u << below(8);
        settings.partialBytes = below(kFlashSize);

        Plug(settings, earlierFlashes[below(earlierFlashes.size())]);

        m_firmwareResourceId = chance(0.5) ? 133 : 134;
        const FlashImage& image = Image(m_firmwareResourceId == 134);
        Run();

        ASSERT_TRUE(shapes.count(m_sink.posts)) << "job " << job << ": " << m_sink.posts;
        const bool flashHoldsImage = Flash() == image;
        if (m_sink.posts.back() == 'V') {
            ++verified;
            ASSERT_TRUE(flashHoldsImage) << "false success in job " << job;
        } else {
            ++failed;
            ASSERT_FALSE(flashHoldsImage && !readSideFaults) << "false failure in job " << job;
        }
        ASSERT_EQ(m_driver.opened, m_driver.closed) << "job " << job;
    }
    EXPECT_GT(verified, 100);
    EXPECT_GT(failed, 100);
}
