// The program's exit codes, which deployment tools and support desks read.
#pragma once

enum ExitCode : int {
    kExitTargetInstalled = 0,
    kExitUpdateFailed = 1,
    kExitCancelled = 2,
    kExitOutOfMemory = 3,
    kExitNoCamera = 4,
    kExitAlreadyRunning = 5,
    kExitDriverFailed = 6,
    kExitImageDamaged = 7, // the firmware image the run would install does not match its digest
    kExitUpdateDue = 10,   // /check: the camera does not hold the target firmware
};
