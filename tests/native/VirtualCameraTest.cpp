// The virtual camera: NOR flash behaviour, each fault, timings, and its state folder.
#include "VirtualCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "Fakes.h"
#include "FirmwareImage.h"

namespace {

constexpr char kVersion[] = "SN9C250 0. 0. 5.11SBFgE";

bool AllErased(const std::uint8_t* data, std::size_t size) {
    return std::all_of(data, data + size, [](std::uint8_t b) { return b == 0xFF; });
}

class VirtualCameraTest : public ::testing::Test {
protected:
    void Plug(const CameraSettings& settings = {}, const FlashImage& flash = MakeFirmwareImage(kVersion)) {
        ASSERT_TRUE(VirtualCamera::Plug(m_folder.Path(), flash, settings));
    }
    void PlugWithFault(Fault fault, std::uint32_t firstCalls, std::uint32_t perMillion = 0) {
        CameraSettings settings;
        settings.Rule(fault) = {firstCalls, perMillion};
        Plug(settings);
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

    TempFolder m_folder;
};

} // namespace

TEST(FirmwareImage, HasTheFixedLayout) {
    const FlashImage image = MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgG");
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()), 8), std::string("SN9C250\0", 8));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data() + 8)), "SN9C250 0. 0. 5.11SBFgG");
    EXPECT_NE(image[35426], 0xFF);
    EXPECT_TRUE(AllErased(image.data() + 35427, 65536 - 35427));
    EXPECT_EQ(image, MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgG"));
    EXPECT_NE(image, MakeFirmwareImage("SN9C250 0. 0. 5.11SBFg8"));
    // Firmware data, not a constant fill.
    EXPECT_GT(std::count(image.begin() + 100, image.begin() + 35000, image[100]), 0);
    EXPECT_LT(std::count(image.begin() + 100, image.begin() + 35000, image[100]), 1000);
}

TEST_F(VirtualCameraTest, NoFolderOrUnpluggedCameraDoesNotOpen) {
    VirtualCamera absent(m_folder.Path() / "missing");
    EXPECT_EQ(absent.Initialize_DriverInterface(), 0);
    std::uint8_t buffer[52];
    EXPECT_FALSE(absent.GetCodeVersion(buffer));
    EXPECT_FALSE(absent.EraseSF());

    CameraSettings unplugged;
    Plug(unplugged);
    CameraState state = State();
    state.settings.plugged = false;
    SaveState(m_folder.Path(), state);
    VirtualCamera camera(m_folder.Path());
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
}

TEST_F(VirtualCameraTest, OperationsNeedAnOpenInterface) {
    Plug();
    VirtualCamera camera(m_folder.Path());
    std::uint8_t buffer[52] = {};
    EXPECT_FALSE(camera.GetCodeVersion(buffer));
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_FALSE(camera.UnInitialize_DriverInterface());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    EXPECT_TRUE(camera.GetCodeVersion(buffer));
    EXPECT_TRUE(camera.UnInitialize_DriverInterface());
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_EQ(Flash(), MakeFirmwareImage(kVersion));
}

TEST_F(VirtualCameraTest, ReportsTheCodeVersionFromTheFlash) {
    Plug();
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    std::uint8_t buffer[52];
    std::fill_n(buffer, 52, 0xEE);
    ASSERT_TRUE(camera.GetCodeVersion(buffer));
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), kVersion);
    EXPECT_TRUE(std::all_of(buffer + 23, buffer + 52, [](std::uint8_t b) { return b == 0; }));

    // Erased: no magic, so the boot ROM answers.
    ASSERT_TRUE(camera.EraseSF());
    ASSERT_TRUE(camera.GetCodeVersion(buffer));
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "SN9C250 BOOT ROM 1.00");
}

TEST_F(VirtualCameraTest, EraseSetsEveryByteAndWriteOnlyClearsBits) {
    Plug();
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(camera.EraseSF());
    EXPECT_TRUE(AllErased(Flash().data(), kFlashSize));

    const FlashImage image = MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgG");
    ASSERT_TRUE(Write(camera, image, 35428));
    bool ok = false;
    EXPECT_EQ(Read(camera, &ok), image);
    EXPECT_TRUE(ok);

    // Programming over data that was not erased ANDs it in.
    FlashImage other(kFlashSize, 0x0F);
    ASSERT_TRUE(Write(camera, other, 16));
    const FlashImage after = Flash();
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], image[i] & 0x0F) << i;
    EXPECT_EQ(after[16], image[16]);
}

TEST_F(VirtualCameraTest, RequestsOutsideTheFlashOrUnknownFail) {
    Plug();
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    std::uint8_t byte = 0;
    FlashImage big(kFlashSize + 1);
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, 0, big.data(), kFlashSize + 1));
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, kFlashSize, &byte, 1));
    EXPECT_FALSE(camera.ReqToDriver(kRequestWriteFlash, 0xFFFFFFFFu, &byte, 2));
    EXPECT_FALSE(camera.ReqToDriver(kRequestReadFlash, 0, nullptr, 1));
    EXPECT_FALSE(camera.ReqToDriver(5, 0, &byte, 1));
    EXPECT_FALSE(camera.GetCodeVersion(nullptr));
    EXPECT_TRUE(camera.ReqToDriver(kRequestReadFlash, kFlashSize - 1, &byte, 1));
    EXPECT_EQ(Flash(), MakeFirmwareImage(kVersion));
}

TEST_F(VirtualCameraTest, OpenFailsForTheFirstCalls) {
    PlugWithFault(Fault::OpenFail, 2);
    VirtualCamera camera(m_folder.Path());
    EXPECT_LE(camera.Initialize_DriverInterface(), 0);
    EXPECT_LE(camera.Initialize_DriverInterface(), 0);
    EXPECT_GT(camera.Initialize_DriverInterface(), 0);
}

TEST_F(VirtualCameraTest, EraseFaults) {
    PlugWithFault(Fault::EraseFail, 1);
    VirtualCamera failing(m_folder.Path());
    ASSERT_GT(failing.Initialize_DriverInterface(), 0);
    EXPECT_FALSE(failing.EraseSF());
    EXPECT_EQ(Flash(), MakeFirmwareImage(kVersion));
    EXPECT_TRUE(failing.EraseSF());

    PlugWithFault(Fault::EraseInterrupt, 1);
    VirtualCamera interrupted(m_folder.Path());
    ASSERT_GT(interrupted.Initialize_DriverInterface(), 0);
    EXPECT_TRUE(interrupted.EraseSF()); // it lies
    const FlashImage mixed = Flash();
    EXPECT_TRUE(AllErased(mixed.data(), 4096));
    EXPECT_FALSE(AllErased(mixed.data(), 35427));
    EXPECT_TRUE(std::equal(mixed.begin() + 61440, mixed.end(), MakeFirmwareImage(kVersion).begin() + 61440));

    CameraSettings stuck;
    stuck.Rule(Fault::StuckBits).firstCalls = 1000;
    stuck.stuckOffset = 40000;
    stuck.stuckMask = 0x81;
    Plug(stuck);
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(camera.EraseSF());
    EXPECT_EQ(Flash()[40000], 0x7E);
}

TEST_F(VirtualCameraTest, WriteFaults) {
    const FlashImage image = MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgG");
    for (auto fault : {Fault::WriteFail, Fault::WriteNothing}) {
        PlugWithFault(fault, 1);
        VirtualCamera camera(m_folder.Path());
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        ASSERT_TRUE(camera.EraseSF());
        EXPECT_EQ(Write(camera, image, 35428), fault == Fault::WriteNothing) << FaultName(fault);
        EXPECT_TRUE(AllErased(Flash().data(), kFlashSize)) << FaultName(fault);
    }

    PlugWithFault(Fault::WritePartial, 1);
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(camera.EraseSF());
    EXPECT_TRUE(Write(camera, image, 35428));
    const FlashImage flash = Flash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 17714, image.begin()));
    EXPECT_TRUE(AllErased(flash.data() + 17714, kFlashSize - 17714));
}

TEST_F(VirtualCameraTest, ReadFaults) {
    const FlashImage stored = MakeFirmwareImage(kVersion);
    {
        PlugWithFault(Fault::ReadFail, 1);
        VirtualCamera camera(m_folder.Path());
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        bool ok = true;
        EXPECT_EQ(Read(camera, &ok), FlashImage(kFlashSize, 0xA5));
        EXPECT_FALSE(ok);
    }
    {
        CameraSettings settings;
        settings.Rule(Fault::ReadShort).firstCalls = 1;
        settings.partialBytes = 1000;
        Plug(settings);
        VirtualCamera camera(m_folder.Path());
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        bool ok = false;
        const FlashImage data = Read(camera, &ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, stored.begin()));
        EXPECT_EQ(data[1000], 0xA5);
    }
    {
        PlugWithFault(Fault::ReadFlip, 1);
        VirtualCamera camera(m_folder.Path());
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        const FlashImage data = Read(camera);
        int flipped = 0;
        for (std::size_t i = 0; i < kFlashSize; ++i)
            flipped += __builtin_popcount(data[i] ^ stored[i]);
        EXPECT_EQ(flipped, 1);
        EXPECT_EQ(Flash(), stored); // the flash itself is intact
        EXPECT_EQ(Read(camera), stored);
    }
    {
        PlugWithFault(Fault::ReadCorrupt, 1);
        VirtualCamera camera(m_folder.Path());
        ASSERT_GT(camera.Initialize_DriverInterface(), 0);
        const FlashImage data = Read(camera);
        EXPECT_EQ(data[65535], stored[65535] ^ 0xFF);
        EXPECT_TRUE(std::equal(data.begin(), data.end() - 1, stored.begin()));
    }
}

TEST_F(VirtualCameraTest, UnplugsAfterTheGivenNumberOfCalls) {
    CameraSettings settings;
    settings.unplugAfterCalls = 3;
    Plug(settings);
    VirtualCamera camera(m_folder.Path());
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);  // call 1
    EXPECT_TRUE(camera.EraseSF());                      // call 2
    EXPECT_TRUE(camera.UnInitialize_DriverInterface()); // call 3
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
    EXPECT_FALSE(camera.EraseSF());
    EXPECT_EQ(State().counters.calls, 5u);
}

TEST_F(VirtualCameraTest, ChanceFaultsFollowTheSeed) {
    auto pattern = [this](std::uint64_t seed) {
        CameraSettings settings;
        settings.seed = seed;
        settings.Rule(Fault::EraseFail) = {0, 300000};
        Plug(settings);
        VirtualCamera camera(m_folder.Path());
        EXPECT_GT(camera.Initialize_DriverInterface(), 0);
        std::string outcomes;
        for (int i = 0; i < 200; ++i)
            outcomes += camera.EraseSF() ? '.' : 'x';
        return outcomes;
    };
    const std::string first = pattern(7);
    EXPECT_EQ(first, pattern(7));
    EXPECT_NE(first, pattern(8));
    const auto failures = std::count(first.begin(), first.end(), 'x');
    EXPECT_GT(failures, 30);
    EXPECT_LT(failures, 90);
}

TEST_F(VirtualCameraTest, RealisticTimingsSleepAndAccountDeviceTime) {
    CameraSettings settings;
    settings.realisticTimings = true;
    Plug(settings);
    std::chrono::microseconds slept{0};
    VirtualCamera camera(m_folder.Path(), [&slept](std::chrono::microseconds t) { slept += t; });
    ASSERT_GT(camera.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(camera.EraseSF());
    ASSERT_TRUE(Write(camera, MakeFirmwareImage(kVersion), 35428));
    // 2 ms open, 850 ms bulk erase, 139 pages at 1.4 ms plus 35,428 bytes over USB.
    EXPECT_EQ(slept.count(), 2000 + 850000 + 139 * 1400 + 35428);
    EXPECT_EQ(State().counters.deviceMicros, static_cast<std::uint64_t>(slept.count()));

    Plug();
    std::chrono::microseconds none{0};
    VirtualCamera quick(m_folder.Path(), [&none](std::chrono::microseconds t) { none += t; });
    ASSERT_GT(quick.Initialize_DriverInterface(), 0);
    ASSERT_TRUE(quick.EraseSF());
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(State().counters.deviceMicros, 852000u);
}

TEST(CameraState, FormatAndParseRoundTrip) {
    CameraState state;
    state.settings.seed = 0xFFFFFFFFFFFFFFFFull;
    state.settings.Rule(Fault::ReadFlip) = {3, 250000};
    state.settings.stuckMask = 0x80;
    state.counters.writes = 17;
    state.counters.deviceMicros = 123456789;
    const std::optional<CameraState> parsed = ParseState(FormatState(state));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(FormatState(*parsed), FormatState(state));
}

TEST(CameraState, MalformedTextIsRejected) {
    const char* bad[] = {
        "plugged",
        "plugged=2",
        "seed=-1",
        "seed=18446744073709551616",
        "calls=1x",
        "calls=",
        "stuck-mask=256",
        "fault.read-flip=1",
        "fault.read-flip=0 1000001",
        "fault.nonsense=1 0",
        "opens=4294967296",
        "seed=+5",
    };
    for (const char* text : bad)
        EXPECT_FALSE(ParseState(text)) << text;
    EXPECT_TRUE(ParseState("# comment\n\nfuture-key=anything\r\nseed=0x10\n"));
    EXPECT_EQ(ParseState("seed=0x10")->settings.seed, 16u);
}

TEST_F(VirtualCameraTest, HostileStateFolderReadsAsNoCamera) {
    Plug();
    { std::ofstream(m_folder.Path() / "camera.ini") << "plugged=1\nseed=banana\n"; }
    VirtualCamera camera(m_folder.Path());
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);

    Plug();
    { std::ofstream(m_folder.Path() / "flash.bin", std::ios::binary | std::ios::trunc) << "short"; }
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
    Plug();
    {
        std::ofstream out(m_folder.Path() / "flash.bin", std::ios::binary | std::ios::app);
        out << 'x'; // one byte too many
    }
    EXPECT_EQ(camera.Initialize_DriverInterface(), 0);
}
