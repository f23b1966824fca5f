// The decisions around an update: may it go ahead when the main window opens and when the user
// presses the write button, and how its outcome is reported. Each returns what the main window
// does next and the message, if any, it shows first.
#pragma once

#include <optional>
#include <string>

#include "core/CameraDetection.h"
#include "core/DriverApi.h"
#include "core/FirmwareImages.h"
#include "core/UpdateHistory.h"

// The command-line switches, read once at start-up.
struct SwitchFlags {
    bool force = false; // "/force": update also a camera that already has the target firmware
    bool old = false;   // "/old": install the older firmware image
    bool quiet = false; // "/quiet": update with no window at all, the question answered yes
    bool check = false; // "/check": only tell whether an update is due
    bool help = false;  // "/?": show the switches and exit codes
};

// /force and /old: plain, case-sensitive substring tests on the command-line tail, as they have
// always been. /quiet, /check and /?: whole words in either case, after "/" or "-". /check with
// /quiet is /check, and either outweighs /?, which would wait for an answer. Null reads as empty.
SwitchFlags ReadSwitches(const char* commandTail);

// Message-box styles the checks use.
constexpr unsigned kStyleRefusal = 48; // OK button with the exclamation icon
constexpr unsigned kStyleReport = 0;   // OK button, no icon

struct CheckMessage {
    int textId;
    std::string suffix; // appended to the loaded text
    int captionId;
    unsigned style;
};

enum class NextStep {
    WaitForUser,    // the main window stays and waits
    CloseCancelled, // the main window ends as cancelled
    RunUpdate,      // hide the main window and run the update dialog
    StayOpen,       // the main window stays open and visible
    CloseOk,        // the main window ends with OK, which ends the program
    ShowAgain,      // the main window is shown again and waits
};

struct Decision {
    NextStep next;
    std::optional<CheckMessage> message;
    std::string reported = {}; // the code version the camera reported, when it was read
};

// The question label's text after text 106: a line feed and the name of the target firmware.
std::string ConfirmationSuffix(bool old);

// What the update checks ask: CheckCodeVersion (-1, 0 or 1) in one driver session, except that a camera
// reporting the target's code version counts as equal only when its whole flash also reads back
// as the target image. The version text sits in the flash's first page, so an update cut off
// after that page leaves a camera that names the new firmware over a flash that is not all there.
// The image is checked first, and a damaged one compared with nothing: kImageDamaged.
// The code version read goes to `reported` when one is given.
constexpr int kImageDamaged = 2;
int CheckInstalledFirmware(DriverApi& driver, FirmwareImages& images, bool old,
                           std::string* reported = nullptr);

// A check refuses with text 117 when the image this run would install is not sound: the opening
// check just before it would compare the camera's flash with it (the hashing costs start-up time
// and memory, and is not needed before); the write check and /check's answer before anything
// else, as the one precedes the erase and the other has no later moment.

// Runs when the main window has initialised. The driver is opened only when the camera was found.
// `images` are the program's own, against which a camera that reports the target is read back.
Decision OpeningCheck(DeviceInventory& inventory, DriverApi& driver, FirmwareImages& images,
                      SwitchFlags flags);

// Runs on each press of the write button. Under /old it first makes firmwareResourceId name the
// older image; it never sets it back.
Decision WriteCheck(DriverApi& driver, FirmwareImages& images, SwitchFlags flags, int& firmwareResourceId);

// /check's answer, without erasing or writing anything: AlreadyLatest when the camera holds the
// target firmware byte for byte, UpdateDue when it does not (also over a torn flash that names the
// target), NoCamera when the camera is not found or its driver does not open.
Ending UpdateDueCheck(DeviceInventory& inventory, DriverApi& driver, FirmwareImages& images, bool old);

// Reports the update dialog's result: 1 is success, anything else failure.
Decision OutcomeReport(int dialogResult);
