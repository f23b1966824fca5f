// The flashing worker on its own thread, wired to the program: the driver DLL, the firmware
// images among the program's resources, and messages posted to the update dialog's window.
#pragma once

#include <windows.h>

#include "FirmwareImages.h"

// The "BIN" resources of the program's own module (never of a language module).
class CResourceImages final : public FirmwareImages {
public:
    std::optional<Bytes> Load(int resourceId) override;
};

// The id of the firmware image that an update installs: 133 until the write check selects 134.
// Set on the user-interface thread before the worker starts; the worker reads it at every step.
extern int FirmwareResourceId;

// The worker thread's procedure. `window` is the handle of the window that receives
// WM_FLASH_PROGRESS and WM_FLASH_DONE. Returns 0.
UINT __cdecl FlashThreadProc(LPVOID window);
