// flashjob: runs one flashing job on the camera from the command line, the way the update dialog
// runs it: the worker on its own thread posting its stages to a window, shown as they arrive.
// Exit code 0 when the flash was verified, 1 when not.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/FlashThread.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "core/UpdateChecks.h"
#include "framework/WindowHandle.h"
#include "framework/WinThread.h"

int main(int argc, char** argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i)
        tail += std::string(i > 1 ? " " : "") + argv[i];
    if (ReadSwitches(tail.c_str()).old)
        FirmwareResourceId = kOldFirmwareResourceId;

    // A message-only window: the worker posts to it and this thread's loop receives.
    const CWindowHandle window(
        CreateWindowExA(0, "STATIC", "flashjob", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (window == nullptr) {
        std::fprintf(stderr, "flashjob: cannot create a window\n");
        return 2;
    }
    std::printf("installing image %d\n", FirmwareResourceId);
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    CWinThread* worker =
        AfxBeginThread(FlashThreadProc, window, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    if (worker == nullptr) {
        std::fprintf(stderr, "flashjob: cannot start the worker thread\n");
        return 2;
    }
    worker->SetAutoDelete(true);
    worker->ResumeThread();

    int result = 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (message.hwnd == window && message.message == WM_FLASH_PROGRESS) {
            std::printf("%8.3f s  stage at %3u, stepping to %u every %u ms\n", seconds,
                        static_cast<unsigned>(message.wParam), static_cast<unsigned>(LOWORD(message.lParam)),
                        static_cast<unsigned>(HIWORD(message.lParam)));
            std::fflush(stdout);
        } else if (message.hwnd == window && message.message == WM_FLASH_DONE) {
            result = message.wParam != 0 ? 0 : 1;
            std::printf("%8.3f s  done: %s\n", seconds,
                        message.wParam != 0 ? "verified, the camera holds the image"
                                            : "failed after three attempts");
            break;
        } else {
            DispatchMessageA(&message);
        }
    }
    return result;
}
