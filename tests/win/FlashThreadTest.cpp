// The flashing worker on its real thread, started as the update dialog starts it, on the real
// driver DLL, posting to a real window that runs its own message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/DriverLibrary.h"
#include "app/FlashThread.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "framework/WinThread.h"
#include "libs/RevezoDaRur/FirmwareImage.h"
#include "libs/RevezoDaRur/VirtualCamera.h"
#include "tools/uidriver/UiDriver.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> g_received;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FLASH_PROGRESS || message == WM_FLASH_DONE) {
        g_received.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden top-level window of its own class, destroyed at the end.
class Receiver {
public:
    Receiver() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ReceiverProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "FlashThreadTestReceiver";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~Receiver() { DestroyWindow(m_window); }
    HWND Window() const { return m_window; }

    // Starts the worker as the update dialog does and runs the message loop until it is done.
    bool RunJob() {
        g_received.clear();
        if (m_window == nullptr)
            return false;
        CWinThread* worker =
            AfxBeginThread(FlashThreadProc, m_window, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
        if (worker == nullptr)
            return false;
        worker->SetAutoDelete(true);
        worker->ResumeThread();
        const DWORD deadline = GetTickCount() + 60000;
        MSG message;
        while (g_received.empty() || g_received.back().message != WM_FLASH_DONE) {
            if (GetTickCount() > deadline)
                return false;
            if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            else
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
        return true;
    }

private:
    HWND m_window = nullptr;
};

int RunVcam(const std::string& arguments) {
    const std::filesystem::path vcam = std::filesystem::path(ProgramFolder()) / ".." / "bin" / "vcam.exe";
    return RunCommand(L"\"" + vcam.wstring() + L"\" " + std::wstring(arguments.begin(), arguments.end()));
}

class FlashThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::path(ProgramFolder()) / "vcam-flash-thread";
        std::filesystem::remove_all(m_folder);
        _putenv_s("TERVOLIN_VCAM", m_folder.string().c_str());
        FirmwareResourceId = kDefaultFirmwareResourceId;
        ASSERT_TRUE(VirtualCamera::Plug(m_folder, MakeFirmwareImage("SN9C250 0. 0. 5.11SBFgE"), {}));
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    FlashImage Flash() const { return *LoadFlash(m_folder); }

    std::filesystem::path m_folder;
    Receiver m_receiver;
};

std::vector<WPARAM> Positions() {
    std::vector<WPARAM> positions;
    for (const Received& r : g_received) {
        if (r.message == WM_FLASH_PROGRESS)
            positions.push_back(r.wParam);
    }
    return positions;
}

} // namespace

TEST_F(FlashThreadTest, ProgramResourcesHoldBothImages) {
    for (bool old : {false, true}) {
        const TargetFirmware target = TargetFirmwareFor(old);
        HRSRC resource = FindResourceExA(nullptr, "BIN", MAKEINTRESOURCEA(target.imageResourceId), 1033);
        ASSERT_NE(resource, nullptr) << target.imageResourceId;
        ASSERT_EQ(SizeofResource(nullptr, resource), 65536u);
        const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
        EXPECT_EQ(FlashImage(data, data + 65536), MakeFirmwareImage(target.codeVersion));
    }
}

TEST_F(FlashThreadTest, InstallsTheImageAndPostsTheStagesInOrder) {
    ASSERT_TRUE(m_receiver.RunJob());
    ASSERT_EQ(g_received.size(), 4u);
    EXPECT_EQ(Positions(), (std::vector<WPARAM>{0, 10, 75}));
    EXPECT_EQ(g_received[0].lParam, 0x03E8000A);
    EXPECT_EQ(g_received[1].lParam, 0x01F4004B);
    EXPECT_EQ(g_received[2].lParam, 0x01F40064);
    EXPECT_EQ(g_received[3].message, static_cast<UINT>(WM_FLASH_DONE));
    EXPECT_EQ(g_received[3].wParam, 1u);
    EXPECT_EQ(Flash(), MakeFirmwareImage(TargetFirmwareFor(false).codeVersion));

    CDriverLibrary driver;
    EXPECT_EQ(CheckCodeVersion(driver, false), kVersionEqual);
}

TEST_F(FlashThreadTest, OlderImageWhenTheIdSaysSo) {
    FirmwareResourceId = kOldFirmwareResourceId;
    ASSERT_TRUE(m_receiver.RunJob());
    EXPECT_EQ(g_received.back().wParam, 1u);
    EXPECT_EQ(Flash(), MakeFirmwareImage(TargetFirmwareFor(true).codeVersion));
}

TEST_F(FlashThreadTest, FaultSetThroughVcamFailsTheJob) {
    ASSERT_EQ(RunVcam("fault read-corrupt 3"), 0);
    ASSERT_TRUE(m_receiver.RunJob());
    EXPECT_EQ(Positions(), (std::vector<WPARAM>{0, 10, 75, 0, 10, 75, 0, 10, 75}));
    EXPECT_EQ(g_received.back().message, static_cast<UINT>(WM_FLASH_DONE));
    EXPECT_EQ(g_received.back().wParam, 0u);

    // The next job, with the fault used up, succeeds.
    ASSERT_TRUE(m_receiver.RunJob());
    EXPECT_EQ(g_received.back().wParam, 1u);
}
