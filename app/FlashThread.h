// The flashing worker on its own thread, wired to the program: the driver DLL, the firmware
// images among the program's resources, and messages posted to the update dialog's window.
#pragma once

#include <windows.h>

#include <vector>

#include "core/FirmwareImages.h"
#include "core/FlashWorker.h"
#include "framework/Handle.h"

// The "BIN" resources of the program's own module (never of a language module).
class CResourceImages final : public FirmwareImages {
public:
    std::optional<Bytes> Load(int resourceId) override;
    // Hashes the image and compares it with the digest built into the program beside it.
    bool IsSound(int resourceId) override;
};

// The id of the firmware image that an update installs: IDBIN_FIRMWARE until the write check selects
// IDBIN_FIRMWARE_OLD.
// Set on the user-interface thread before the worker starts; the worker reads it at every step.
extern int FirmwareResourceId;

// What the worker's attempts did: cleared by the update dialog before it starts the worker, filled
// by the worker, and read by the dialog once the worker thread has ended. The worker's messages
// carry only what they always have; the details for the history travel here.
extern std::vector<FlashAttempt> FlashAttempts;

// The worker thread's procedure. `window` is the handle of the window that receives
// WM_FLASH_PROGRESS and WM_FLASH_DONE. Returns 0.
UINT __cdecl FlashThreadProc(LPVOID window);

// The flashing worker's thread as the window it reports to runs it: the thread object deletes
// itself, and this keeps a handle of its own that tells when the thread is gone.
class CFlashJob {
public:
    // Clears FlashAttempts and starts FlashThreadProc for `window`; false when no thread could be made.
    bool Start(HWND window);
    bool Running() const { return static_cast<bool>(m_hThread); }
    // Blocks until the thread has ended; its driver session is closed by then.
    void Wait();
    // The job's result, on its WM_FLASH_DONE with `wParam`. The worker posts the result as its last
    // act and ends right after: once it has ended, the last result queued for `window` is its own,
    // whatever another program may have posted before.
    bool Result(HWND window, WPARAM wParam);

private:
    CHandle m_hThread;
};
