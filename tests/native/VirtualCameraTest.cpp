// The virtual camera: NOR flash behaviour, each fault, timings, and its state folder.
#include "libs/RevezoDaRur/VirtualCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/FirmwareVersion.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "tests/native/Fakes.h"

namespace {

bool AllErased(const std::uint8_t* data, std::size_t size) {
    return std::all_of(data, data + size, [](std::uint8_t b) { return b == 0xFF; });
}

// The first `count` bytes of `front` over the rest of `back`, as steps done leave the flash.
FlashImage Over(const FlashImage& back, std::size_t count, const FlashImage& front) {
    FlashImage flash = back;
    std::copy_n(front.begin(), count, flash.begin());
    return flash;
}

std::string Text(const std::uint8_t* bytes) {
    return reinterpret_cast<const char*>(bytes);
}

// What a crash fault throws in the tests, which run the camera in their own process.
struct Crashed {};

class VirtualCameraTest : public ::testing::Test {
protected:
    void Plug(const CameraSettings& settings = {}, const FlashImage& flash = MakeFirmwareImage(kOlder)) {
        ASSERT_TRUE(VirtualCamera::Plug(m_folder.Path(), flash, settings));
    }
    // A camera over the folder, its interface opened.
    VirtualCamera& Opened(VirtualCamera::Pacing pacing = {}) {
        m_cameras.push_back(std::make_unique<VirtualCamera>(m_folder.Path(), std::move(pacing)));
        EXPECT_GT(m_cameras.back()->Initialize_DriverInterface(), 0);
        return *m_cameras.back();
    }
    VirtualCamera& PluggedWith(const CameraSettings& settings,
                               const FlashImage& flash = MakeFirmwareImage(kOlder)) {
        Plug(settings, flash);
        return Opened();
    }
    // A camera over the folder whose crash faults throw Crashed.
    VirtualCamera& Crashing() {
        m_cameras.push_back(std::make_unique<VirtualCamera>(m_folder.Path(), VirtualCamera::Pacing{},
                                                            [] { throw Crashed(); }));
        return *m_cameras.back();
    }
    FlashImage Flash() const { return *LoadFlash(m_folder.Path()); }
    CameraState State() const { return *LoadState(m_folder.Path()); }
    FlashImage Read(VirtualCamera& camera, bool* ok = nullptr) {
        FlashImage data(kFlashSize, 0xA5);
        const bool read = camera.ReqToDriver(kRequestReadFlash, 0, data.data(), kFlashSize);
        if (ok)
            *ok = read;
        return data;
    }
    bool Write(VirtualCamera& camera, FlashImage data, std::uint32_t length = kFlashSize) {
        return camera.ReqToDriver(kRequestWriteFlash, 0, data.data(), length);
    }
    // Between steps, as `vcam unplug` would from another process: at the step m_unplugAtStep
    // counts down to.
    VirtualCamera::Pacing UnplugAtStep() {
        return {{}, {}, [this] {
                    if (m_unplugAtStep > 0 && --m_unplugAtStep == 0) {
                        CameraSettings settings = *LoadSettings(m_folder.Path());
                        settings.plugged = false;
                        ASSERT_TRUE(SaveSettings(m_folder.Path(), settings));
                    }
                }};
    }
    void WriteText(const std::string& name, const std::string& text) const {
        WriteFile(m_folder.Path() / name, text);
    }

    const FlashImage m_older = MakeFirmwareImage(kOlder), m_image = MakeFirmwareImage(kTarget);
    const FlashImage m_erased = FlashImage(kFlashSize, 0xFF);
    TempFolder m_folder;
    std::vector<std::unique_ptr<VirtualCamera>> m_cameras;
    int m_unplugAtStep = 0;
};

} // namespace

TEST(FirmwareImage, HasTheFixedLayout) {
    const FlashImage image = MakeFirmwareImage(kTarget);
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()), 8), std::string("SN9C250\0", 8));
    EXPECT_EQ(Text(image.data() + 8), kTarget);
    EXPECT_NE(image[35426], 0xFF);
    EXPECT_TRUE(AllErased(image.data() + 35427, 65536 - 35427));
    // Whatever the version, the last data byte is not the fill's.
    for (int n = 0; n < 2000; ++n)
        EXPECT_NE(MakeFirmwareImage("V" + std::to_string(n))[kFirmwareDataEnd - 1], 0xFF) << n;
    // A longer text is cut to the 51 bytes a code version can have, terminator after them.
    EXPECT_EQ(Text(MakeFirmwareImage(std::string(60, 'V')).data() + 8), std::string(51, 'V'));
    // The two images the program carries are these bytes and no others: a change to the generator
    // would change the firmware that users' cameras receive.
    auto fnv1a = [](const FlashImage& bytes) {
        std::uint64_t hash = 0xcbf29ce484222325ull;
        for (const std::uint8_t byte : bytes)
            hash = (hash ^ byte) * 0x100000001b3ull;
        return hash;
    };
    EXPECT_EQ(fnv1a(image), 0xf12f04cb0a6ec4c9ull);
    EXPECT_EQ(fnv1a(MakeFirmwareImage(kOldTarget)), 0xcf656eb57b39412cull);
}

TEST_F(VirtualCameraTest, OperationsNeedAPluggedCameraAndAnOpenInterface) {
    Plug();
    VirtualCamera camera(m_folder.Path());
    std::uint8_t buffer[52] = {};
    EXPECT_FALSE(camera.GetCodeVersion(buffer));
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_FALSE(camera.UnInitialize_DriverInterface());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    EXPECT_TRUE(camera.GetCodeVersion(buffer));
    // Requests outside the flash, without a buffer, or unknown fail.
    std::uint8_t byte = 0;
    FlashImage big(kFlashSize + 1);
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, 0, big.data(), kFlashSize + 1));
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, kFlashSize, &byte, 1));
    EXPECT_FALSE(camera.ReqToDriver(kRequestWriteFlash, 0xFFFFFFFFu, &byte, 2));
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, 0, nullptr, 1));
    EXPECT_FALSE(camera.ReqToDriver(5, 0, &byte, 1));
    EXPECT_FALSE(camera.GetCodeVersion(nullptr));
    EXPECT_TRUE(camera.ReqToDriver(kRequestReadFlash, kFlashSize - 1, &byte, 1));
    EXPECT_TRUE(camera.ReqToDriver(kRequestReadFlash, kFlashSize, &byte, 0));
    EXPECT_TRUE(camera.UnInitialize_DriverInterface());
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_EQ(Flash(), m_older);

    // Plugging in makes the folder, and refuses a flash of another size.
    EXPECT_TRUE(VirtualCamera::Plug(m_folder.Path() / "new" / "camera", m_older, {}));
    EXPECT_FALSE(VirtualCamera::Plug(m_folder.Path() / "short", FlashImage(100), {}));

    // A power cut right after a call's last step ends the session: power back, it must open again.
    CameraSettings cut;
    cut.cutAfterSteps = 1;
    Plug(cut);
    VirtualCamera unanswered(m_folder.Path());
    EXPECT_EQ(unanswered.Initialize_DriverInterface(), 0);
    cut = *LoadSettings(m_folder.Path());
    cut.cutAfterSteps = 0;
    ASSERT_TRUE(SaveSettings(m_folder.Path(), cut));
    EXPECT_FALSE(unanswered.GetCodeVersion(buffer));
    // So does a state that cannot be read, for as long as it lasts.
    ASSERT_GT(unanswered.Initialize_DriverInterface(), 0);
    const std::filesystem::path counters = m_folder.Path() / "counters.ini";
    std::filesystem::rename(counters, m_folder.Path() / "aside");
    EXPECT_FALSE(unanswered.GetCodeVersion(buffer));
    std::filesystem::rename(m_folder.Path() / "aside", counters);
    EXPECT_FALSE(unanswered.GetCodeVersion(buffer));

    EXPECT_EQ(VirtualCamera(m_folder.Path() / "missing").Initialize_DriverInterface(), 0);
}

TEST_F(VirtualCameraTest, ReportsTheCodeVersionFromTheFlashWhichEraseSetsAndWriteOnlyClears) {
    VirtualCamera& camera = PluggedWith({});
    std::uint8_t buffer[52];
    std::fill_n(buffer, 52, 0xEE);
    ASSERT_TRUE(camera.GetCodeVersion(buffer));
    EXPECT_EQ(Text(buffer), kOlder);
    EXPECT_TRUE(std::all_of(buffer + 23, buffer + 52, [](std::uint8_t b) { return b == 0; }));

    ASSERT_TRUE(camera.EraseSF());
    EXPECT_EQ(Flash(), m_erased);
    // No magic, so the boot ROM answers.
    ASSERT_TRUE(camera.GetCodeVersion(buffer));
    EXPECT_EQ(Text(buffer), "SN9C250 BOOT ROM 1.00");

    ASSERT_TRUE(Write(camera, m_image, 35428));
    bool ok = false;
    EXPECT_EQ(Read(camera, &ok), m_image);
    EXPECT_TRUE(ok);

    // Programming over data that was not erased ANDs it in.
    ASSERT_TRUE(Write(camera, FlashImage(kFlashSize, 0x0F), 16));
    const FlashImage after = Flash();
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], m_image[i] & 0x0F) << i;
    EXPECT_EQ(after[16], m_image[16]);

    // The longest text there is room for, and its terminator, even from a flash with none.
    FlashImage unending(kFlashSize, 'V');
    std::copy_n("SN9C250", 8, unending.begin());
    EXPECT_EQ(ReportedCodeVersion(unending), std::string(51, 'V'));
    // The magic alone is a flash with an empty version.
    EXPECT_EQ(ReportedCodeVersion(FlashImage(unending.begin(), unending.begin() + 8)), "");
    ASSERT_TRUE(PluggedWith({}, MakeFirmwareImage(std::string(60, 'V'))).GetCodeVersion(buffer));
    EXPECT_EQ(Text(buffer), std::string(51, 'V'));
}

TEST_F(VirtualCameraTest, OpenAndEraseFaults) {
    Plug(With(Fault::OpenFail, 2));
    VirtualCamera camera(m_folder.Path());
    EXPECT_LE(camera.Initialize_DriverInterface(), 0);
    EXPECT_LE(camera.Initialize_DriverInterface(), 0);
    EXPECT_GT(camera.Initialize_DriverInterface(), 0);

    VirtualCamera& failing = PluggedWith(With(Fault::EraseFail, 1));
    EXPECT_FALSE(failing.EraseSF());
    EXPECT_EQ(Flash(), m_older);
    EXPECT_TRUE(failing.EraseSF());

    ASSERT_TRUE(PluggedWith(With(Fault::EraseInterrupt, 1)).EraseSF()); // it lies
    const FlashImage mixed = Flash();
    EXPECT_TRUE(AllErased(mixed.data(), 4096));
    EXPECT_FALSE(AllErased(mixed.data(), 35427)); // the default seed's draw stops it before the data ends
    EXPECT_TRUE(std::equal(mixed.begin() + 61440, mixed.end(), m_older.begin() + 61440));
    // Over the first sector and never the last, whatever the seed draws.
    for (std::uint64_t seed = 1; seed <= 64; ++seed) {
        ASSERT_TRUE(
            PluggedWith(With(Fault::EraseInterrupt, 1, seed), FlashImage(kFlashSize, 0x00)).EraseSF());
        const FlashImage left = Flash();
        EXPECT_TRUE(AllErased(left.data(), 4096)) << seed;
        EXPECT_EQ(left.back(), 0x00) << seed;
    }

    CameraSettings stuck = With(Fault::StuckBits, 1000);
    stuck.stuckOffset = 36864; // the first byte of a sector
    stuck.stuckMask = 0x81;
    ASSERT_TRUE(PluggedWith(stuck).EraseSF());
    EXPECT_EQ(Flash()[36864], 0x7E);
}

TEST_F(VirtualCameraTest, WriteFaults) {
    for (auto fault : {Fault::WriteFail, Fault::WriteNothing, Fault::WritePartial}) {
        SCOPED_TRACE(FaultName(fault));
        VirtualCamera& camera = PluggedWith(With(fault, 1));
        ASSERT_TRUE(camera.EraseSF());
        EXPECT_EQ(Write(camera, m_image, 35428), fault != Fault::WriteFail);
        const FlashImage flash = Flash();
        const std::size_t written = fault == Fault::WritePartial ? 17714 : 0; // half
        EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + written, m_image.begin()));
        EXPECT_TRUE(AllErased(flash.data() + written, kFlashSize - written));
    }
    // A part that ends one byte into a page programs that byte.
    CameraSettings partial = With(Fault::WritePartial, 1);
    partial.partialBytes = 257;
    ASSERT_TRUE(Write(PluggedWith(partial, m_erased), m_image, 35428));
    EXPECT_EQ(Flash(), Over(m_erased, 257, m_image));
    // A write torn by a power cut clears some of the bits it was clearing, its first byte's too.
    bool torn = false;
    for (std::uint64_t seed = 1; seed <= 16 && !torn; ++seed) {
        CameraSettings cut;
        cut.seed = seed;
        cut.cutAfterSteps = 2; // the open, then the write's one step
        cut.cutTorn = true;
        std::uint8_t zero = 0;
        EXPECT_FALSE(PluggedWith(cut, m_erased).ReqToDriver(kRequestWriteFlash, 0, &zero, 1));
        torn = Flash()[0] != 0xFF;
    }
    EXPECT_TRUE(torn);
}

TEST_F(VirtualCameraTest, ReadFaults) {
    bool ok = true;
    EXPECT_EQ(Read(PluggedWith(With(Fault::ReadFail, 1)), &ok), FlashImage(kFlashSize, 0xA5));
    EXPECT_FALSE(ok);

    CameraSettings settings = With(Fault::ReadShort, 1);
    settings.partialBytes = 1000;
    FlashImage data = Read(PluggedWith(settings), &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, m_older.begin()));
    EXPECT_EQ(data[1000], 0xA5);

    // One bit flipped whichever the seed draws, in a one-byte read one of that byte's; the flash
    // itself intact, so the next read is whole.
    for (std::uint64_t seed = 1; seed <= 64; ++seed) {
        std::uint8_t byte = 0;
        ASSERT_TRUE(
            PluggedWith(With(Fault::ReadFlip, 1, seed)).ReqToDriver(kRequestReadFlash, 100, &byte, 1));
        EXPECT_EQ(__builtin_popcount(byte ^ m_older[100]), 1) << seed;
        VirtualCamera& flipping = PluggedWith(With(Fault::ReadFlip, 1, seed));
        data = Read(flipping);
        int flipped = 0;
        for (std::size_t i = 0; i < kFlashSize; ++i)
            flipped += __builtin_popcount(data[i] ^ m_older[i]);
        EXPECT_EQ(flipped, 1) << seed;
        EXPECT_EQ(Read(flipping), m_older) << seed;
    }

    settings = With(Fault::ReadCorrupt, 1);
    settings.corruptOffset = 61440; // the first byte of the last transfer
    FlashImage corrupted = m_older;
    corrupted[61440] ^= 0xFF;
    EXPECT_EQ(Read(PluggedWith(settings)), corrupted);
}

TEST_F(VirtualCameraTest, UnplugsAfterTheGivenNumberOfCalls) {
    CameraSettings settings;
    settings.unplugAfterCalls = 3;
    VirtualCamera& camera = PluggedWith(settings);      // call 1
    EXPECT_TRUE(camera.EraseSF());                      // call 2
    EXPECT_TRUE(camera.UnInitialize_DriverInterface()); // call 3
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_EQ(State().counters.calls, 5u);
}

// A crash cuts its call off where a real part would be: the steps before it are in the folder
// and the call is counted, and the first call past the fault's works.
TEST_F(VirtualCameraTest, CrashFaultsStopTheirCallHalfwayLeavingItsStepsBehind) {
    const FlashImage halfErased = Over(m_older, 8 * 4096, m_erased);
    const FlashImage halfWritten = Over(m_erased, 69 * 256, m_image); // 69 of the write's 139 pages
    const FlashImage onePage = Over(m_erased, 256, m_image), onePageAndAByte = Over(m_erased, 257, m_image);
    FlashImage buffer; // the caller's
    auto reading = [&](std::uint32_t length) {
        return [&buffer, length](VirtualCamera& camera) {
            return camera.ReqToDriver(kRequestReadFlash, 0, buffer.data(), length);
        };
    };
    auto writing = [this](std::uint32_t length) {
        return [this, length](VirtualCamera& camera) { return Write(camera, m_image, length); };
    };
    const FlashImage &older = m_older, &erased = m_erased;
    const struct {
        Fault fault;
        std::function<bool(VirtualCamera&)> operation;
        std::uint32_t CameraCounters::*calls;
        const FlashImage& before;
        const FlashImage& crashed;  // the flash a crash leaves
        std::size_t filled;         // bytes of the caller's buffer filled before the crash
        const FlashImage& finished; // the flash after a call that works
    } cases[] = {
        {Fault::CrashOpen, [](VirtualCamera& camera) { return camera.Initialize_DriverInterface() > 0; },
         &CameraCounters::opens, older, older, 0, older},
        {Fault::CrashVersion, [&](VirtualCamera& camera) { return camera.GetCodeVersion(buffer.data()); },
         &CameraCounters::versions, older, older, 0, older},
        {Fault::CrashErase, [](VirtualCamera& camera) { return camera.EraseSF(); }, &CameraCounters::erases,
         older, halfErased, 0, erased},
        {Fault::CrashWrite, writing(35428), &CameraCounters::writes, erased, halfWritten, 0, m_image},
        // A write of one page crashes before it; one of a page and a byte, before its second page.
        {Fault::CrashWrite, writing(256), &CameraCounters::writes, erased, erased, 0, onePage},
        {Fault::CrashWrite, writing(257), &CameraCounters::writes, erased, onePage, 0, onePageAndAByte},
        {Fault::CrashRead, reading(kFlashSize), &CameraCounters::reads, older, older, 8 * 4096, older},
        // A read of one transfer crashes before it; one of a transfer and a byte, before its second.
        {Fault::CrashRead, reading(4096), &CameraCounters::reads, older, older, 0, older},
        {Fault::CrashRead, reading(4097), &CameraCounters::reads, older, older, 4096, older},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        Plug(With(c.fault, 2), c.before);
        VirtualCamera& camera = Crashing();
        if (c.fault != Fault::CrashOpen) {
            ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        }
        for (std::uint32_t call = 1; call <= 2; ++call) {
            buffer.assign(kFlashSize, 0xA5);
            EXPECT_THROW(c.operation(camera), Crashed);
            EXPECT_EQ(Flash(), c.crashed);
            EXPECT_EQ(State().counters.*c.calls, call);
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + c.filled, c.before.begin()));
            EXPECT_TRUE(
                std::all_of(buffer.begin() + c.filled, buffer.end(), [](auto b) { return b == 0xA5; }));
            if (c.fault == Fault::CrashOpen) {
                EXPECT_FALSE(camera.EraseSF()); // no session came of it
            }
        }
        EXPECT_TRUE(c.operation(camera));
        EXPECT_EQ(Flash(), c.finished);
        EXPECT_EQ(State().counters.*c.calls, 3u);
    }
}

// Which of 32 rounds of the five operations crash, under a crash fault's rule: the first calls or
// a chance drawn from the seed, in its own operation only.
TEST_F(VirtualCameraTest, CrashFaultsFollowTheirRuleInTheirOperationOnly) {
    std::uint8_t buffer[8192];
    // In the order of the crash faults.
    const Fault crashes[] = {Fault::CrashOpen, Fault::CrashVersion, Fault::CrashErase, Fault::CrashWrite,
                             Fault::CrashRead};
    const std::function<void(VirtualCamera&)> operations[] = {
        [](VirtualCamera& camera) { camera.Initialize_DriverInterface(); },
        [&](VirtualCamera& camera) { camera.GetCodeVersion(buffer); },
        [](VirtualCamera& camera) { camera.EraseSF(); },
        [&](VirtualCamera& camera) { Write(camera, m_image, 1024); },
        [&](VirtualCamera& camera) { camera.ReqToDriver(kRequestReadFlash, 0, buffer, sizeof buffer); },
    };
    // One line per operation, an x for each round it crashed in.
    auto crashed = [&](Fault fault, FaultRule rule, std::uint64_t seed) {
        CameraSettings settings;
        settings.seed = seed;
        settings.Rule(fault) = rule;
        Plug(settings);
        VirtualCamera& camera = Crashing();
        std::vector<std::string> lines(std::size(operations));
        for (int round = 0; round < 32; ++round) {
            for (std::size_t i = 0; i < std::size(operations); ++i) {
                try {
                    operations[i](camera);
                    lines[i] += '.';
                } catch (const Crashed&) {
                    lines[i] += 'x';
                }
            }
        }
        return lines;
    };
    for (std::size_t i = 0; i < std::size(crashes); ++i) {
        SCOPED_TRACE(FaultName(crashes[i]));
        std::vector<std::string> expected(std::size(operations), std::string(32, '.'));
        expected[i] = "xxx" + std::string(29, '.');
        EXPECT_EQ(crashed(crashes[i], {3, 0}, 1), expected);

        // A chance other than one half, so that its complement shows.
        const std::vector<std::string> byChance = crashed(crashes[i], {0, 250000}, 7);
        expected[i] = byChance[i];
        EXPECT_EQ(byChance, expected);
        EXPECT_EQ(crashed(crashes[i], {0, 250000}, 7), byChance);
        EXPECT_NE(crashed(crashes[i], {0, 250000}, 8)[i], byChance[i]);
        const auto count = std::count(byChance[i].begin(), byChance[i].end(), 'x');
        EXPECT_GT(count, 1);
        EXPECT_LT(count, 16);
    }
}

// Left to itself, a crash fault is an access violation that ends the process, which leaves the
// flash and the counts as they were at that moment.
TEST_F(VirtualCameraTest, ByDefaultACrashFaultKillsTheProcessLeavingItsStepsBehind) {
    Plug(With(Fault::CrashErase, 1));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGSEGV, SIG_DFL); // the system's own end, not the sanitizer's report
        VirtualCamera camera(m_folder.Path());
        _exit(camera.Initialize_DriverInterface() > 0 && camera.EraseSF() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_EQ(Flash(), Over(m_older, 8 * 4096, m_erased));
    EXPECT_EQ(State().counters.erases, 1u);
}

// Realistic timings on a clock that moves only when the camera waits, or when the work between
// two steps (the hook) takes its time: the camera waits before each step, for the step's own time
// counted from the previous step's end, so the work comes out of the next wait.
TEST_F(VirtualCameraTest, RealisticTimingsWaitBeforeEachStepAgainstARunningDeadline) {
    CameraSettings settings;
    settings.realisticTimings = true;
    Plug(settings, FlashImage(kFlashSize, 0x00)); // fully programmed: every erased sector shows
    constexpr std::chrono::microseconds kWork{300};

    VirtualCamera::TimePoint clock{};
    auto sinceStart = [&clock] {
        return std::chrono::duration_cast<std::chrono::microseconds>(clock.time_since_epoch());
    };
    struct Wait {
        std::chrono::microseconds until; // the deadline, from the clock's start
        FlashImage flash;                // what the flash held while the camera waited
    };
    std::vector<Wait> waits;
    VirtualCamera::Pacing pacing;
    pacing.now = [&clock] { return clock; };
    pacing.sleepUntil = [&](VirtualCamera::TimePoint until) {
        EXPECT_GE(until, clock);
        clock = until;
        waits.push_back({sinceStart(), Flash()});
    };
    pacing.betweenSteps = [&clock, kWork] { clock += kWork; };
    VirtualCamera camera(m_folder.Path(), pacing);

    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].until.count(), 2000);

    // The erase: 16 sectors of 850 ms / 16, each waited for before it is cleared.
    waits.clear();
    const auto eraseStart = sinceStart();
    ASSERT_TRUE(camera.EraseSF());
    ASSERT_EQ(waits.size(), 16u);
    for (std::size_t k = 0; k < 16; ++k) {
        EXPECT_EQ((waits[k].until - eraseStart).count(), static_cast<long>(53125 * (k + 1))) << k;
        EXPECT_TRUE(AllErased(waits[k].flash.data(), 4096 * k)) << k;
        EXPECT_EQ(waits[k].flash[4096 * k], 0x00) << "sector " << k << " cleared before its time";
    }

    // The write: 139 pages, each taking its bytes over USB and 1.4 ms to program.
    waits.clear();
    const auto writeStart = sinceStart();
    ASSERT_TRUE(Write(camera, m_older, 35428));
    ASSERT_EQ(waits.size(), 139u);
    for (std::size_t k = 0; k < 139; ++k) {
        const std::size_t bytes = std::min<std::size_t>(256 * (k + 1), 35428);
        EXPECT_EQ((waits[k].until - writeStart).count(), static_cast<long>(bytes + 1400 * (k + 1))) << k;
        const FlashImage& flash = waits[k].flash;
        EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 256 * k, m_older.begin())) << k;
        EXPECT_TRUE(AllErased(flash.data() + 256 * k, kFlashSize - 256 * k)) << k;
    }

    // The read: 16 transfers of 4 KiB.
    waits.clear();
    ASSERT_EQ(Read(camera), m_older);
    EXPECT_EQ(waits.size(), 16u);

    const long device = 2000 + 850000 + 139 * 1400 + 35428 + 65536;
    EXPECT_EQ(State().counters.deviceMicros, static_cast<std::uint64_t>(device));
    // The work between steps came out of the waits; only the last step of each of the four
    // operations adds its own.
    EXPECT_EQ(sinceStart().count(), device + 4 * kWork.count());
}

TEST_F(VirtualCameraTest, WithoutRealisticTimingsNothingWaitsButDeviceTimeCounts) {
    CameraSettings settings;
    settings.timePercent = 37; // 850 ms is not a whole number of 37 % shares of 16 sectors
    Plug(settings);
    int steps = 0;
    VirtualCamera::Pacing pacing;
    pacing.now = [] {
        ADD_FAILURE() << "the clock was read";
        return VirtualCamera::TimePoint{};
    };
    pacing.sleepUntil = [](VirtualCamera::TimePoint) { ADD_FAILURE() << "the camera slept"; };
    pacing.betweenSteps = [&steps] { ++steps; };
    ASSERT_TRUE(Opened(pacing).EraseSF());
    EXPECT_EQ(steps, 17);
    EXPECT_EQ(State().counters.deviceMicros, (2000u + 850000u) * 37 / 100);
}

// Unplugged between two steps of an operation: it fails there, counted, and the flash keeps the
// steps done.
TEST_F(VirtualCameraTest, UnplugDuringAnOperationStopsItAtTheNextStep) {
    const FlashImage threeSectors = Over(m_older, 3 * 4096, m_erased),
                     ninePages = Over(m_erased, 9 * 256, m_image);
    FlashImage data(kFlashSize);
    std::uint8_t version[52] = {};
    const struct {
        const char* name;
        const FlashImage& before;
        int step; // the step before which the camera goes
        std::function<bool(VirtualCamera&)> operation;
        const FlashImage& after;
    } cases[] = {
        {"version", m_older, 1, [&](VirtualCamera& camera) { return camera.GetCodeVersion(version); },
         m_older},
        {"erase", m_older, 4, [](VirtualCamera& camera) { return camera.EraseSF(); }, threeSectors},
        {"write", m_erased, 10, [&](VirtualCamera& camera) { return Write(camera, m_image, 35428); },
         ninePages},
        {"read", m_older, 3,
         [&](VirtualCamera& camera) {
             return camera.ReqToDriver(kRequestReadFlash, 0, data.data(), kFlashSize);
         },
         m_older},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Plug({}, c.before);
        VirtualCamera& camera = Opened(UnplugAtStep());
        m_unplugAtStep = c.step;
        EXPECT_FALSE(c.operation(camera));
        EXPECT_EQ(Flash(), c.after);
        const CameraCounters counters = State().counters;
        EXPECT_EQ(counters.versions + counters.erases + counters.writes + counters.reads, 1u);

        // Every call fails and changes nothing, the camera stays unplugged, and once it is
        // plugged in again a new session works.
        std::uint8_t byte = 0;
        EXPECT_FALSE(camera.GetCodeVersion(version));
        EXPECT_FALSE(camera.EraseSF());
        EXPECT_FALSE(camera.ReqToDriver(kRequestWriteFlash, 0, &byte, 1));
        EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, 0, &byte, 1));
        EXPECT_FALSE(camera.UnInitialize_DriverInterface());
        EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
        EXPECT_EQ(State().counters.opens, 1u); // an unplugged camera hears no request
        EXPECT_FALSE(LoadSettings(m_folder.Path())->plugged);
        EXPECT_EQ(Flash(), c.after);
        Plug({}, Flash()); // as `vcam plug` does, keeping the flash
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        EXPECT_TRUE(camera.GetCodeVersion(version));
        EXPECT_EQ(Text(version), ReportedCodeVersion(c.after));
        EXPECT_TRUE(camera.UnInitialize_DriverInterface());
    }
}

TEST_F(VirtualCameraTest, PluggingInAnewEndsTheOpenSession) {
    VirtualCamera& camera = PluggedWith({});
    // Out and in again between two calls, as a pulled and re-inserted cable does.
    Plug();
    std::uint8_t version[52];
    EXPECT_FALSE(camera.GetCodeVersion(version));
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_EQ(Flash(), m_older);
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    EXPECT_TRUE(camera.GetCodeVersion(version));

    // Plugged in anew during an erase: the old session stops at the next sector.
    VirtualCamera& erasing = Opened({{}, {}, [this, steps = 0]() mutable {
                                         if (++steps == 3)
                                             Plug();
                                     }});
    EXPECT_FALSE(erasing.EraseSF());
    EXPECT_EQ(Flash(), m_older);            // the new plugging's flash, untouched
    EXPECT_EQ(State().counters.erases, 0u); // and its counters
}

// A process killed during an erase, at full realistic speed: whatever moment it ends, the flash
// holds whole sectors, the first ones erased and the rest as they were, and the folder reads.
TEST_F(VirtualCameraTest, ProcessKilledDuringAnEraseLeavesWholeSectors) {
    CameraSettings settings;
    settings.realisticTimings = true;
    Plug(settings, FlashImage(kFlashSize, 0x00));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VirtualCamera camera(m_folder.Path());
        _exit(camera.Initialize_DriverInterface() > 0 && camera.EraseSF() ? 0 : 1);
    }
    // Killed as soon as the first sector shows, some 50 ms into an erase of 850 ms.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Flash()[0] != 0xFF && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the erase ended before the process was killed";

    const FlashImage flash = Flash();
    std::size_t erased = 0;
    while (erased < 16 && AllErased(flash.data() + erased * 4096, 4096))
        ++erased;
    EXPECT_GE(erased, 1u);
    EXPECT_LT(erased, 16u);
    EXPECT_TRUE(std::all_of(flash.begin() + static_cast<std::ptrdiff_t>(erased * 4096), flash.end(),
                            [](std::uint8_t b) { return b == 0x00; }));
    ASSERT_TRUE(LoadState(m_folder.Path()));
    EXPECT_EQ(State().counters.erases, 1u);
    Opened();
}

// vcam changes the settings from another process while an operation runs: the change takes
// effect at the next step, and is still there afterwards.
TEST_F(VirtualCameraTest, SettingsChangedDuringAnOperationTakeEffectAndStay) {
    Plug({}, m_erased);
    CameraSettings changed;
    int steps = 0;
    VirtualCamera& camera = Opened({{}, {}, [&] {
                                        if (++steps != 5)
                                            return;
                                        changed = *LoadSettings(m_folder.Path());
                                        changed.seed = 99;
                                        changed.corruptOffset = 7;
                                        changed.Rule(Fault::WriteNothing).firstCalls = 1000;
                                        ASSERT_TRUE(SaveSettings(m_folder.Path(), changed));
                                    }}); // step 1
    // Pages 0 to 2 are programmed at steps 2 to 4; from step 5 on the write lies.
    EXPECT_TRUE(Write(camera, m_image, 35428));
    EXPECT_EQ(Flash(), Over(m_erased, 3 * 256, m_image));
    EXPECT_EQ(FormatSettings(*LoadSettings(m_folder.Path())), FormatSettings(changed));
    EXPECT_EQ(State().counters.writes, 1u);
    EXPECT_TRUE(camera.UnInitialize_DriverInterface());
    EXPECT_EQ(FormatSettings(*LoadSettings(m_folder.Path())), FormatSettings(changed));
}

// Steps reach the last byte and no further, whatever the camera in front of them lets through.
// Programs and reads that ask for less than the faults' partial byte counts, or end right before
// the corrupted byte, stay inside buffers of exactly their length (the sanitizer watches).
TEST_F(VirtualCameraTest, StepsStayInsideTheFlashAndPartialFaultsInsideExactlySizedBuffers) {
    Plug();
    FlashFile flash;
    ASSERT_TRUE(flash.Open(m_folder.Path(), true));
    FlashImage buffer(kFlashSize + 1, 0x5A);
    const struct {
        std::uint32_t offset;
        std::size_t size;
        bool inside;
    } cases[] = {
        {0, kFlashSize, true},      {kFlashSize - 1, 1, true}, {kFlashSize, 0, true},
        {kFlashSize - 1, 2, false}, {kFlashSize, 1, false},    {kFlashSize + 1, 0, false},
        {0, kFlashSize + 1, false}, {UINT32_MAX, 2, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(flash.Write(c.offset, buffer.data(), c.size), c.inside) << c.offset << "+" << c.size;
        EXPECT_EQ(flash.Read(c.offset, buffer.data(), c.size), c.inside) << c.offset << "+" << c.size;
    }
    EXPECT_EQ(Flash(), FlashImage(kFlashSize, 0x5A));

    CameraSettings settings = With(Fault::WritePartial, 100);
    settings.Rule(Fault::ReadShort).firstCalls = 100;
    settings.partialBytes = 100000;
    VirtualCamera& camera = PluggedWith(settings, m_erased);
    FlashImage data(m_older.begin(), m_older.begin() + 1000), back(1000);
    EXPECT_TRUE(camera.ReqToDriver(kRequestWriteFlash, 0, data.data(), 1000));
    EXPECT_TRUE(camera.ReqToDriver(kRequestReadFlash, 0, back.data(), 1000));
    EXPECT_EQ(back, data);
    EXPECT_EQ(Flash(), Over(m_erased, 1000, m_older));

    // A read that ends right before the corrupted byte returns the flash.
    settings = With(Fault::ReadCorrupt, 100);
    settings.corruptOffset = 5000;
    VirtualCamera& corrupting = PluggedWith(settings, m_older);
    FlashImage before(5000), across(4001);
    EXPECT_TRUE(corrupting.ReqToDriver(kRequestReadFlash, 0, before.data(), 5000));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m_older.begin()));
    EXPECT_TRUE(corrupting.ReqToDriver(kRequestReadFlash, 1000, across.data(), 4001));
    EXPECT_TRUE(std::equal(across.begin(), across.begin() + 4000, m_older.begin() + 1000));
    EXPECT_EQ(across[4000], m_older[5000] ^ 0xFF);
}

// The files' exact bytes, every key away from its default: the camera reads folders written by
// earlier builds, and vcam and the tests write them by hand.
TEST(CameraState, FilesHaveFixedKeysOrderAndFormatting) {
    CameraState state;
    CameraSettings& s = state.settings;
    s.plugged = false;
    s.realisticTimings = true;
    s.timePercent = 250;
    s.seed = 0x123456789ABCDEF0ull;
    s.unplugAfterCalls = 7;
    s.corruptOffset = 1234;
    s.stuckOffset = 4096;
    s.stuckMask = 0x81;
    s.partialBytes = 300;
    s.plugCount = 3;
    s.cutAfterSteps = 77;
    s.cutTorn = true;
    for (std::size_t i = 0; i < kFaultCount; ++i)
        s.faults[i] = {static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(1000 * (i + 1) + i)};
    s.Rule(Fault::CrashRead) = {4294967295u, 1000000};
    state.counters = {101, 2, 3, 4, 5, 6, 4000, 5000000000ull};

    const std::string settings =
        "# Virtual SN9C250 camera: settings and faults (first calls, chance per million)\n"
        "plugged=0\nrealistic-timings=1\ntime-percent=250\nseed=1311768467463790320\nunplug-after-calls=7\n"
        "corrupt-offset=1234\nstuck-offset=4096\nstuck-mask=129\npartial-bytes=300\nplug-count=3\n"
        "cut-after-steps=77\ncut-torn=1\n"
        "fault.open-fail=1 1000\nfault.erase-fail=2 2001\nfault.erase-interrupt=3 3002\n"
        "fault.write-fail=4 4003\nfault.write-nothing=5 5004\nfault.write-partial=6 6005\n"
        "fault.read-fail=7 7006\nfault.read-short=8 8007\nfault.read-flip=9 9008\n"
        "fault.read-corrupt=10 10009\nfault.stuck-bits=11 11010\nfault.crash-open=12 12011\n"
        "fault.crash-version=13 13012\n"
        "fault.crash-erase=14 14013\nfault.crash-write=15 15014\nfault.crash-read=4294967295 1000000\n";
    const std::string counters = "# Virtual SN9C250 camera: call counters and the time the device spent\n"
                                 "calls=101\nopens=2\nversions=3\nerases=4\nwrites=5\nreads=6\nsteps=4000\n"
                                 "device-us=5000000000\n";
    EXPECT_EQ(FormatSettings(s), settings);
    EXPECT_EQ(FormatCounters(state.counters), counters);
    EXPECT_EQ(FormatState(state), settings + counters);
    // On disk, each file closes with its last line and nothing is left beside it. Read back, each
    // value lands in its own field: all differ, so the text shows it.
    TempFolder folder;
    ASSERT_TRUE(SaveState(folder.Path(), state));
    EXPECT_EQ(ReadFile(folder.Path() / "camera.ini"), settings + "# end\n");
    EXPECT_EQ(ReadFile(folder.Path() / "counters.ini"), counters + "# end\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              2);
    ASSERT_TRUE(LoadState(folder.Path()));
    EXPECT_EQ(FormatState(*LoadState(folder.Path())), settings + counters);
    // A file that cannot be replaced (a folder stands in its place) is not: said so, nothing left.
    std::filesystem::remove(folder.Path() / "counters.ini");
    std::filesystem::create_directory(folder.Path() / "counters.ini");
    EXPECT_FALSE(SaveState(folder.Path(), state));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

// Every key takes values up to its greatest, into its own field, and refuses one more; malformed
// text is refused whole.
TEST(CameraState, EachKeyRefusesAValuePastItsGreatestAndMalformedText) {
    for (const char* text :
         {"plugged", "seed=-1", "calls=1x", "calls=", "fault.read-flip=1", "fault.nonsense=1 0", "seed=+5",
          "seed= -1", "future-key", "steps=-1", "seed=0000000000000000000000001"}) // 25 digits
        EXPECT_FALSE(ParseState(text)) << text;
    EXPECT_TRUE(ParseState("# comment\n\nfuture-key=anything\r\nseed=0x10\n"));
    EXPECT_TRUE(ParseState("stuck-mask=0xFF"));
    EXPECT_EQ(ParseState("seed=0x10")->settings.seed, 16u);
    EXPECT_EQ(ParseState("seed=000000000000000000000001")->settings.seed, 1u); // 24 digits
    EXPECT_EQ(ParseState("fault.read-flip= \t2 10 ")->settings.Rule(Fault::ReadFlip).perMillion, 10u);
    const std::string u32 = "4294967295", pastU32 = "4294967296";
    const std::string u64 = "18446744073709551615", pastU64 = "18446744073709551616";
    struct Case {
        std::string key, greatest, past;
    };
    std::vector<Case> cases = {
        {"plugged", "1", "2"},       {"realistic-timings", "1", "2"}, {"time-percent", "100000", "100001"},
        {"seed", u64, pastU64},      {"stuck-mask", "255", "256"},    {"cut-torn", "1", "2"},
        {"device-us", u64, pastU64},
    };
    for (const char* key :
         {"unplug-after-calls", "corrupt-offset", "stuck-offset", "partial-bytes", "plug-count",
          "cut-after-steps", "calls", "opens", "versions", "erases", "writes", "reads", "steps"})
        cases.push_back({key, u32, pastU32});
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        const std::string key = std::string("fault.") + FaultName(static_cast<Fault>(i));
        cases.push_back({key, u32 + " 1000000", pastU32 + " 0"});
        cases.push_back({key, u32 + " 1000000", "0 1000001"});
    }
    for (const Case& c : cases) {
        const std::string greatest = c.key + "=" + c.greatest;
        const std::optional<CameraState> parsed = ParseState(greatest + "\n");
        ASSERT_TRUE(parsed) << greatest;
        EXPECT_NE(FormatState(*parsed).find("\n" + greatest + "\n"), std::string::npos) << greatest;
        EXPECT_FALSE(ParseState(c.key + "=" + c.past + "\n")) << c.key << "=" << c.past;
        // Among other valid lines too.
        EXPECT_FALSE(ParseState(FormatState(CameraState{}) + c.key + "=" + c.past + "\n")) << c.key;
    }
}

// What vcam counts a fault's "next N calls" from.
TEST(CameraState, CallsSoFarAreTheCallsOfTheFaultsOperation) {
    CameraState state;
    state.counters = {100, 1, 2, 3, 4, 5};
    const struct {
        Fault fault;
        std::uint32_t calls;
    } cases[] = {
        {Fault::OpenFail, 1},       {Fault::CrashOpen, 1},    {Fault::CrashVersion, 2}, {Fault::EraseFail, 3},
        {Fault::EraseInterrupt, 3}, {Fault::StuckBits, 3},    {Fault::CrashErase, 3},   {Fault::WriteFail, 4},
        {Fault::WriteNothing, 4},   {Fault::WritePartial, 4}, {Fault::CrashWrite, 4},   {Fault::ReadFail, 5},
        {Fault::ReadShort, 5},      {Fault::ReadFlip, 5},     {Fault::ReadCorrupt, 5},  {Fault::CrashRead, 5},
    };
    ASSERT_EQ(std::size(cases), kFaultCount);
    for (const auto& c : cases)
        EXPECT_EQ(CallsSoFar(state, c.fault), c.calls) << FaultName(c.fault);
}

TEST(CameraState, DefaultFolderIsTheNamedOneElseTheUsersOwn) {
    const struct {
        const char *named, *local, *home; // null: not set
        const char* folder;
    } cases[] = {
        {"/cameras/one", "/local", "/home/u", "/cameras/one"},
        {"", "/local", "/home/u", "/local/Tervolin/VirtualCamera"},
        {nullptr, "", "/home/u", "/home/u/.tervolin-vcam"},
        {nullptr, nullptr, "", "tervolin-vcam"},
        {nullptr, nullptr, nullptr, "tervolin-vcam"},
    };
    const char* names[] = {"TERVOLIN_VCAM", "LOCALAPPDATA", "HOME"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i) {
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    }
    auto set = [&](int i, const char* value) {
        if (value != nullptr)
            setenv(names[i], value, 1);
        else
            unsetenv(names[i]);
    };
    for (const auto& c : cases) {
        set(0, c.named);
        set(1, c.local);
        set(2, c.home);
        EXPECT_EQ(DefaultStateFolder(), std::filesystem::path(c.folder)) << c.folder;
    }
    for (int i = 0; i < 3; ++i)
        set(i, saved[i] ? saved[i]->c_str() : nullptr);
}

// Each state file is replaced whole and closes with its own last line. A writer ended before its
// rename leaves only its temporary file; a file cut short by anything else, or malformed, is no
// camera, never a camera with other settings.
TEST_F(VirtualCameraTest, TornOrHostileStateFilesReadAsTheLastWholeStateOrNoCamera) {
    CameraSettings settings;
    settings.seed = 42;
    settings.corruptOffset = 1234;
    settings.Rule(Fault::ReadFlip) = {3, 250000};
    VirtualCamera& camera = PluggedWith(settings);
    ASSERT_TRUE(camera.EraseSF());
    ASSERT_TRUE(camera.UnInitialize_DriverInterface());
    const CameraState whole = State();
    ASSERT_EQ(whole.counters.erases, 1u);

    // The camera's own writes leave nothing beside the three files.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"camera.ini", "counters.ini", "flash.bin"}));

    // Temporary files left by writers that were ended, whole and half-written.
    const std::string newer = FormatSettings(CameraSettings{}) + " # end \r\n";
    WriteText("camera.ini.4242-17.tmp", newer);
    WriteText("counters.ini.4242-17.tmp", "calls=9");
    WriteText("camera.ini.4243-17.tmp", newer.substr(0, 40));
    ASSERT_TRUE(LoadState(m_folder.Path()));
    EXPECT_EQ(FormatState(*LoadState(m_folder.Path())), FormatState(whole));
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(camera.UnInitialize_DriverInterface());

    for (const char* name : {"camera.ini", "counters.ini"}) {
        const std::string text = ReadFile(m_folder.Path() / name);
        const std::string expected = FormatState(State());
        for (std::size_t length = 0; length < text.size(); ++length) {
            WriteText(name, text.substr(0, length));
            const std::optional<CameraState> cut = LoadState(m_folder.Path());
            if (cut) {
                EXPECT_EQ(FormatState(*cut), expected) << name << " cut to " << length << " bytes";
                continue;
            }
            if (length % 16 == 0) { // opening is slower; a sample of the lengths will do
                VirtualCamera fresh(m_folder.Path());
                EXPECT_EQ(fresh.Initialize_DriverInterface(), 0) << name << " cut to " << length << " bytes";
            }
        }
        WriteText(name, text);
    }
    EXPECT_EQ(FormatSettings(State().settings), FormatSettings(whole.settings));
    EXPECT_GT(camera.Initialize_DriverInterface(), 0);

    // A state file may fill the 64 KiB a reader takes (its closing line padded with blanks, CR LF).
    WriteText("camera.ini", std::string(64 * 1024 - newer.size() - 1, '#') + "\n" + newer);
    EXPECT_TRUE(LoadSettings(m_folder.Path()));
    // Whole files that a camera cannot have written read as no camera either: a malformed value,
    // or a byte more than a state file holds.
    for (const std::string& hostile : {std::string("plugged=1\nseed=banana\n# end\n"),
                                       std::string(64 * 1024 - newer.size(), '#') + "\n" + newer}) {
        WriteText("camera.ini", hostile);
        EXPECT_EQ(camera.Initialize_DriverInterface(), 0) << hostile.size() << " bytes";
    }
    const FlashImage flash = Flash();
    for (const std::string& wrong : {std::string("short"), std::string(flash.begin(), flash.end()) + "x"}) {
        Plug();
        WriteText("flash.bin", wrong);
        EXPECT_EQ(camera.Initialize_DriverInterface(), 0) << wrong.size() << " bytes of flash";
    }
}
