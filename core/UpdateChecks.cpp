// Opening check, write check and outcome report.
#include "core/UpdateChecks.h"

#include <cstring>

#include "core/DriverSession.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "res/resource.h"

namespace {

constexpr int kDialogOk = 1;

Decision Refuse(NextStep next, int textId, std::string suffix = {}) {
    return {next, CheckMessage{textId, std::move(suffix), IDS_FIRMWARE_UPDATE, kStyleRefusal}};
}

Decision Report(NextStep next, int textId) {
    return {next, CheckMessage{textId, {}, IDS_FIRMWARE_UPDATE, kStyleReport}};
}

std::string TargetName(bool old) {
    return GetFirmwareName(TargetFirmwareFor(old).codeVersion);
}

Decision OpeningDecision(int check, SwitchFlags flags) {
    switch (check) {
    case kVersionNoDriver:
        return Refuse(NextStep::CloseCancelled, IDS_NOT_PLUGGED_IN);
    case kVersionEqual:
        if (flags.force)
            return {NextStep::WaitForUser, std::nullopt};
        return Refuse(NextStep::CloseCancelled, IDS_ALREADY_LATEST, "\n\n" + TargetName(flags.old));
    default:
        return {NextStep::WaitForUser, std::nullopt};
    }
}

Decision WriteDecision(int check, SwitchFlags flags) {
    switch (check) {
    case kVersionNoDriver:
        return Refuse(NextStep::StayOpen, IDS_NOT_PLUGGED_IN);
    case kVersionEqual:
        if (flags.force)
            return {NextStep::RunUpdate, std::nullopt};
        return Refuse(NextStep::StayOpen, IDS_ALREADY_LATEST);
    default:
        return {NextStep::RunUpdate, std::nullopt};
    }
}

} // namespace

int CheckInstalledFirmware(DriverApi& driver, FirmwareImages& images, bool old, std::string* reported) {
    const TargetFirmware target = TargetFirmwareFor(old);
    DriverSession session(driver);
    if (!session.IsOpen())
        return kVersionNoDriver;
    const std::string version = ReadCodeVersion(driver);
    if (reported != nullptr)
        *reported = version;
    if (version != target.codeVersion)
        return kVersionDiffers;
    const std::uint8_t* image = images.LoadWhole(target.imageResourceId);
    return image != nullptr && FlashHoldsImage(driver, image) ? kVersionEqual : kVersionDiffers;
}

SwitchFlags ReadSwitches(const char* commandTail) {
    SwitchFlags flags;
    if (commandTail != nullptr) {
        flags.force = std::strstr(commandTail, "/force") != nullptr;
        flags.old = std::strstr(commandTail, "/old") != nullptr;
    }
    return flags;
}

std::string ConfirmationSuffix(bool old) {
    return "\n" + TargetName(old);
}

Decision OpeningCheck(DeviceInventory& inventory, DriverApi& driver, FirmwareImages& images,
                      SwitchFlags flags) {
    if (FindCamera(inventory) != kCameraFound)
        return Refuse(NextStep::CloseCancelled, IDS_NOT_PLUGGED_IN);
    std::string reported;
    Decision decision = OpeningDecision(CheckInstalledFirmware(driver, images, flags.old, &reported), flags);
    decision.reported = reported;
    return decision;
}

Decision WriteCheck(DriverApi& driver, FirmwareImages& images, SwitchFlags flags, int& firmwareResourceId) {
    if (flags.old)
        firmwareResourceId = kOldFirmwareResourceId;
    std::string reported;
    Decision decision = WriteDecision(CheckInstalledFirmware(driver, images, flags.old, &reported), flags);
    decision.reported = reported;
    return decision;
}

Decision OutcomeReport(int dialogResult) {
    if (dialogResult == kDialogOk)
        return Report(NextStep::CloseOk, IDS_UPDATE_SUCCEEDED);
    return Report(NextStep::ShowAgain, IDS_UPDATE_FAILED);
}
