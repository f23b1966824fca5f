// The flashing worker on its real thread, started as the update dialog starts it, on the real
// driver DLL, posting to a real window that runs its own message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/DriverLibrary.h"
#include "app/FlashThread.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "framework/WinThread.h"
#include "framework/WindowHandle.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tests/win/WinTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

class FlashThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = FreshFolder("vcam-flash-thread");
        FirmwareResourceId = kDefaultFirmwareResourceId;
        ASSERT_TRUE(VirtualCamera::Plug(m_folder, MakeFirmwareImage(kOlder), {}));
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    FlashImage Flash() const { return *LoadFlash(m_folder); }

    // Starts the worker as the update dialog does, posting to a window of this thread, and
    // collects what it posts there until it is done.
    bool RunJob() {
        m_received.clear();
        CWinThread* worker = m_window == nullptr
                                 ? nullptr
                                 : AfxBeginThread(FlashThreadProc, m_window.Get(),
                                                  THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
        if (worker == nullptr)
            return false;
        worker->SetAutoDelete(true);
        worker->ResumeThread();
        const DWORD deadline = GetTickCount() + 60000;
        MSG message;
        while (m_received.empty() || m_received.back().message != WM_FLASH_DONE) {
            if (GetTickCount() > deadline)
                return false;
            if (PeekMessageA(&message, m_window, WM_FLASH_PROGRESS, WM_FLASH_DONE, PM_REMOVE))
                m_received.push_back(message);
            else
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
        return true;
    }
    std::vector<WPARAM> Positions() const {
        std::vector<WPARAM> positions;
        for (const MSG& m : m_received)
            if (m.message == WM_FLASH_PROGRESS)
                positions.push_back(m.wParam);
        return positions;
    }

    std::filesystem::path m_folder;
    CWindowHandle m_window{
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    std::vector<MSG> m_received;
};

} // namespace

TEST_F(FlashThreadTest, InstallsTheImageTheIdNamesAndPostsTheStagesInOrder) {
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(m_received.size(), 4u);
    EXPECT_EQ(Positions(), (std::vector<WPARAM>{0, 10, 75}));
    EXPECT_EQ(m_received[0].lParam, 0x03E8000A);
    EXPECT_EQ(m_received[1].lParam, 0x01F4004B);
    EXPECT_EQ(m_received[2].lParam, 0x01F40064);
    EXPECT_EQ(m_received[3].message, static_cast<UINT>(WM_FLASH_DONE));
    EXPECT_EQ(m_received[3].wParam, 1u);
    EXPECT_EQ(Flash(), MakeFirmwareImage(TargetFirmwareFor(false).codeVersion));

    CDriverLibrary driver;
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionEqual);

    FirmwareResourceId = kOldFirmwareResourceId;
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(m_received.back().wParam, 1u);
    EXPECT_EQ(Flash(), MakeFirmwareImage(TargetFirmwareFor(true).codeVersion));
}

TEST_F(FlashThreadTest, FaultSetThroughVcamFailsTheJob) {
    ASSERT_EQ(RunVcam(std::filesystem::path(ProgramFolder()) / ".." / "bin", "fault read-corrupt 3"), 0);
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(Positions(), (std::vector<WPARAM>{0, 10, 75, 0, 10, 75, 0, 10, 75}));
    EXPECT_EQ(m_received.back().message, static_cast<UINT>(WM_FLASH_DONE));
    EXPECT_EQ(m_received.back().wParam, 0u);

    // The next job, with the fault used up, succeeds.
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(m_received.back().wParam, 1u);
}
