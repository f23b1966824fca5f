// Which firmware the camera has, which one the program installs, and what the user calls them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/DriverApi.h"
#include "core/ResourceIds.h"

constexpr int kDefaultFirmwareResourceId = IDBIN_FIRMWARE;
constexpr int kOldFirmwareResourceId = IDBIN_FIRMWARE_OLD;

// The firmware an update installs: the code version it reports and the image that holds it.
struct TargetFirmware {
    const char* codeVersion; // 23 characters
    int imageResourceId;
};

// "SN9C250 0. 0. 5.11SBFgG" in image 133, or under /old "SN9C250 0. 0. 5.11SBFg8" in image 134.
TargetFirmware TargetFirmwareFor(bool old);

// Result codes of CheckCodeVersion.
constexpr int kVersionNoDriver = -1;
constexpr int kVersionEqual = 0;
constexpr int kVersionDiffers = 1;

// Opens the driver interface, reads the camera's code version and compares its first 23 bytes with
// the target chosen by `old`. -1 when the interface does not open, 0 when equal, 1 when not (also
// when the read fails: the cleared buffer matches no target).
int CheckCodeVersion(DriverApi& driver, bool old);

// Reads the code version through a driver session that is open: the first 23 bytes as the camera
// wrote them (a failed read leaves them zero).
std::string ReadCodeVersion(DriverApi& driver);
// The same in a driver session of its own; empty when the interface does not open.
std::string ReadCodeVersionInSession(DriverApi& driver);

// The display name of a firmware, from its zero-terminated code version text: "Quellmar Vistrel
// Solentra V1.0.8", "Quellmar Vistrel Solentra V2.n.n" for the SN9C250 5.11 family, else empty.
std::string GetFirmwareName(const char* code);

// The code version text a camera with this flash reports: the text after the "SN9C250\0" magic,
// or the boot ROM's own text when the magic is missing.
std::string ReportedCodeVersion(const std::vector<std::uint8_t>& flash);
