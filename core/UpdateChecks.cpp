// Opening check, write check and outcome report.
#include "core/UpdateChecks.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "core/DriverSession.h"
#include "core/FirmwareVersion.h"
#include "core/FlashWorker.h"
#include "core/ResourceIds.h"

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
    case kImageDamaged:
        return Refuse(NextStep::CloseCancelled, IDS_IMAGE_DAMAGED);
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
    case kImageDamaged:
        return Refuse(NextStep::CloseCancelled, IDS_IMAGE_DAMAGED);
    case kVersionEqual:
        if (flags.force)
            return {NextStep::RunUpdate, std::nullopt};
        return Refuse(NextStep::StayOpen, IDS_ALREADY_LATEST);
    default:
        return {NextStep::RunUpdate, std::nullopt};
    }
}

// Whether a word of the tail, quoted or not, is "/" or "-" followed by `name` in either case.
bool HasSwitchWord(std::string_view tail, std::string_view name) {
    while (!tail.empty()) {
        const std::size_t start = tail.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        tail.remove_prefix(start);
        std::string_view word = tail.substr(0, tail.find_first_of(" \t"));
        tail.remove_prefix(word.size());
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        if (word.size() == name.size() + 1 && (word.front() == '/' || word.front() == '-') &&
            std::equal(name.begin(), name.end(), word.begin() + 1, [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
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
    if (!images.IsSound(target.imageResourceId))
        return kImageDamaged;
    const std::uint8_t* image = images.LoadWhole(target.imageResourceId);
    return image != nullptr && FlashHoldsImage(driver, image) ? kVersionEqual : kVersionDiffers;
}

SwitchFlags ReadSwitches(const char* commandTail) {
    SwitchFlags flags;
    if (commandTail == nullptr)
        return flags;
    flags.force = std::strstr(commandTail, "/force") != nullptr;
    flags.old = std::strstr(commandTail, "/old") != nullptr;
    flags.check = HasSwitchWord(commandTail, "check");
    flags.quiet = !flags.check && HasSwitchWord(commandTail, "quiet");
    flags.help = !flags.check && !flags.quiet && HasSwitchWord(commandTail, "?");
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
    if (!images.IsSound(firmwareResourceId))
        return Refuse(NextStep::CloseCancelled, IDS_IMAGE_DAMAGED);
    std::string reported;
    Decision decision = WriteDecision(CheckInstalledFirmware(driver, images, flags.old, &reported), flags);
    decision.reported = reported;
    return decision;
}

Ending UpdateDueCheck(DeviceInventory& inventory, DriverApi& driver, FirmwareImages& images, bool old) {
    if (!images.IsSound(TargetFirmwareFor(old).imageResourceId))
        return Ending::ImageDamaged;
    if (FindCamera(inventory) != kCameraFound)
        return Ending::NoCamera;
    switch (CheckInstalledFirmware(driver, images, old)) {
    case kVersionNoDriver:
        return Ending::NoCamera;
    case kVersionEqual:
        return Ending::AlreadyLatest;
    case kImageDamaged:
        return Ending::ImageDamaged;
    default:
        return Ending::UpdateDue;
    }
}

Decision OutcomeReport(int dialogResult) {
    if (dialogResult == kDialogOk)
        return Report(NextStep::CloseOk, IDS_UPDATE_SUCCEEDED);
    return Report(NextStep::ShowAgain, IDS_UPDATE_FAILED);
}
