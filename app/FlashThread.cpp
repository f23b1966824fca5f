// The flashing worker's Windows seams.
#include "app/FlashThread.h"

#include <algorithm>
#include <iterator>

#include "FirmwareDigests.h"
#include "app/DriverCrashHandler.h"
#include "app/DriverLibrary.h"
#include "app/Sha256.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "framework/WinThread.h"

int FirmwareResourceId = kDefaultFirmwareResourceId;
std::vector<FlashAttempt> FlashAttempts;

std::optional<FirmwareImages::Bytes> CResourceImages::Load(int resourceId) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), "BIN");
    if (resource == nullptr)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return std::nullopt;
    return Bytes{static_cast<const std::uint8_t*>(data), SizeofResource(module, resource)};
}

bool CResourceImages::IsSound(int resourceId) {
    const std::uint8_t* image = LoadWhole(resourceId);
    if (image == nullptr)
        return false;
    for (const FirmwareDigest& expected : kFirmwareDigests) {
        if (expected.resourceId != resourceId)
            continue;
        const std::optional<Sha256Digest> digest = Sha256(image, kFirmwareImageSize);
        return digest && std::equal(digest->begin(), digest->end(), std::begin(expected.sha256));
    }
    return false;
}

namespace {

class CWindowPoster final : public MessageSink {
public:
    void Post(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostMessageA(static_cast<HWND>(window), message, wParam, lParam);
    }
};

} // namespace

bool CFlashJob::Start(HWND window) {
    FlashAttempts.clear();
    CWinThread* worker =
        AfxBeginThread(FlashThreadProc, window, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    if (worker == nullptr)
        return false;
    worker->SetAutoDelete(true);
    HANDLE thread = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), worker->Handle(), GetCurrentProcess(), &thread, SYNCHRONIZE,
                        FALSE, 0))
        m_hThread.Attach(thread);
    worker->ResumeThread();
    return true;
}

void CFlashJob::Wait() {
    if (m_hThread)
        WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Attach(nullptr);
}

bool CFlashJob::Result(HWND window, WPARAM wParam) {
    Wait();
    MSG later;
    while (PeekMessageA(&later, window, WM_FLASH_DONE, WM_FLASH_DONE, PM_REMOVE))
        wParam = later.wParam;
    return wParam != 0;
}

UINT __cdecl FlashThreadProc(LPVOID window) {
    const CDriverCrashHandler::CWorker crashes(static_cast<HWND>(window));
    CDriverLibrary driver;
    CResourceImages images;
    CWindowPoster poster;
    FlashContext context{driver, images, poster, FirmwareResourceId};
    context.attempts = &FlashAttempts;
    return FlashThreadProc(context, window);
}
