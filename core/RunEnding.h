// Every ending of a run, from whatever saw it (a check's refusal, the update's outcome, /check's
// answer, a cancel, a crash), to what the run leaves behind: its exit code and its history record.
// The main window, the unattended update, /check and the crash handler all end through here.
#pragma once

#include "core/ExitCodes.h"
#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"

// The ending of a check's refusal: already-latest, image-damaged or no-camera.
Ending RefusalEnding(const CheckMessage& refusal);
// The ending of an update: updated when the flash was verified, else update-failed.
Ending UpdateEnding(bool verified);

// The exit code of `ending`. A cancel keeps the code of the step that ended last,
// `exitCodeSoFar`, which is kExitCancelled while none has; so does a begun update, which ends
// nothing yet.
int EndingExitCode(Ending ending, int exitCodeSoFar = kExitCancelled);

// The history record of `ending`, with what the caller saw (code versions, attempts, the driver's
// problem, a crash) taken from `seen`, and its exit code set as EndingExitCode gives it.
HistoryRecord EndingRecord(Ending ending, HistoryRecord seen, int exitCodeSoFar = kExitCancelled);
