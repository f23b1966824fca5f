// Code-version check, the code version a flash holds, and firmware display names.
#include "core/FirmwareVersion.h"

#include "core/DriverSession.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kDefaultCodeVersion[] = "SN9C250 0. 0. 5.11SBFgG";
constexpr char kOldCodeVersion[] = "SN9C250 0. 0. 5.11SBFg8";
constexpr char kFamilyPrefix[] = "SN9C250 0. 0. 5.11SBFg";
constexpr std::size_t kFamilyPrefixLength = sizeof kFamilyPrefix - 1;

static_assert(sizeof kDefaultCodeVersion - 1 == kCodeVersionLength);
static_assert(sizeof kOldCodeVersion - 1 == kCodeVersionLength);

constexpr std::size_t kCodeVersionSlack = 4096 - kCodeVersionBufferSize;

constexpr char kMagic[8] = {'S', 'N', '9', 'C', '2', '5', '0', '\0'};
constexpr char kBootRomVersion[] = "SN9C250 BOOT ROM 1.00";

} // namespace

TargetFirmware TargetFirmwareFor(bool old) {
    return old ? TargetFirmware{kOldCodeVersion, kOldFirmwareResourceId}
               : TargetFirmware{kDefaultCodeVersion, kDefaultFirmwareResourceId};
}

std::string ReadCodeVersion(DriverApi& driver) {
    // The call does not say how much room there is: the contract is 52 bytes, but a driver that
    // writes a longer text must not run over the stack, so the buffer has room to spare.
    std::uint8_t version[kCodeVersionBufferSize + kCodeVersionSlack] = {};
    driver.GetCodeVersion(version);
    return std::string(reinterpret_cast<const char*>(version), kCodeVersionLength);
}

std::string ReadCodeVersionInSession(DriverApi& driver) {
    DriverSession session(driver);
    return session.IsOpen() ? ReadCodeVersion(driver) : std::string();
}

int CheckCodeVersion(DriverApi& driver, bool old) {
    DriverSession session(driver);
    if (!session.IsOpen())
        return kVersionNoDriver;
    return ReadCodeVersion(driver) == TargetFirmwareFor(old).codeVersion ? kVersionEqual : kVersionDiffers;
}

std::string GetFirmwareName(const char* code) {
    if (code == nullptr)
        return {};
    if (std::strcmp(code, kOldCodeVersion) == 0)
        return "Quellmar Vistrel Solentra V1.0.8";
    if (std::strncmp(code, kFamilyPrefix, kFamilyPrefixLength) != 0)
        return {};
    // The prefix matched without a terminator, so the 23rd character is there (possibly the terminator).
    char letter = code[kFamilyPrefixLength];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Y')
        return {};
    const int n = letter - 'A' + 1;
    char name[64];
    std::snprintf(name, sizeof name, "Quellmar Vistrel Solentra V2.%d.%d", n / 10, n % 10);
    return name;
}

std::string ReportedCodeVersion(const std::vector<std::uint8_t>& flash) {
    if (flash.size() < sizeof kMagic || std::memcmp(flash.data(), kMagic, sizeof kMagic) != 0)
        return kBootRomVersion;
    std::string text;
    for (std::size_t i = sizeof kMagic; i < flash.size() && flash[i] != 0 && text.size() < 51; ++i)
        text += static_cast<char>(flash[i]);
    return text;
}
