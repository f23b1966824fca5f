// The program's private window messages. The values are plain numbers so that the portable core
// can post them; they lie in the WM_USER range of the dialog that receives them.
#pragma once

// The flashing worker to the update dialog: a stage has started. wParam is the position the bar
// jumps to, lParam the stage's stepping (see ProgressStage).
constexpr unsigned WM_FLASH_PROGRESS = 1124; // WM_USER + 100
// The flashing worker to the update dialog: the job has ended; wParam is 1 when verified, else 0.
constexpr unsigned WM_FLASH_DONE = 1125; // WM_USER + 101
// The flashing worker's thread to the update dialog: the driver library faulted during the job.
// The worker will never end; the dialog tells the user and ends the program.
constexpr unsigned WM_DRIVER_FAILED = 1126; // WM_USER + 102
