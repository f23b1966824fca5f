// The exit code and the history record of every ending.
#include "core/RunEnding.h"

#include "core/ResourceIds.h"

Ending RefusalEnding(const CheckMessage& refusal) {
    switch (refusal.textId) {
    case IDS_ALREADY_LATEST:
        return Ending::AlreadyLatest;
    case IDS_IMAGE_DAMAGED:
        return Ending::ImageDamaged;
    default:
        return Ending::NoCamera;
    }
}

Ending UpdateEnding(bool verified) {
    return verified ? Ending::Updated : Ending::UpdateFailed;
}

int EndingExitCode(Ending ending, int exitCodeSoFar) {
    switch (ending) {
    case Ending::Updated:
    case Ending::AlreadyLatest:
        return kExitTargetInstalled;
    case Ending::UpdateFailed:
        return kExitUpdateFailed;
    case Ending::NoCamera:
        return kExitNoCamera;
    case Ending::Crashed:
        return kExitDriverFailed;
    case Ending::ImageDamaged:
        return kExitImageDamaged;
    case Ending::UpdateDue:
        return kExitUpdateDue;
    case Ending::Cancelled:
    case Ending::Begun:
    case Ending::Interrupted:
        break;
    }
    return exitCodeSoFar;
}

HistoryRecord EndingRecord(Ending ending, HistoryRecord seen, int exitCodeSoFar) {
    seen.ending = ending;
    seen.exitCode = EndingExitCode(ending, exitCodeSoFar);
    return seen;
}
