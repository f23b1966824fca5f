// Deterministic firmware images: the same code version always gives the same bytes.
#include "libs/RevezoDaRur/FirmwareImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

FlashImage MakeFirmwareImage(std::string_view codeVersion) {
    FlashImage image(kFlashSize, 0xFF);
    std::memcpy(image.data(), "SN9C250", 8);
    const std::size_t textLength = std::min<std::size_t>(codeVersion.size(), 51);
    std::memcpy(image.data() + 8, codeVersion.data(), textLength);
    image[8 + textLength] = 0;

    // FNV-1a of the version seeds a xorshift generator for the firmware data.
    std::uint64_t state = 0xcbf29ce484222325ull;
    for (char c : codeVersion)
        state = (state ^ static_cast<std::uint8_t>(c)) * 0x100000001b3ull;
    if (state == 0)
        state = 1;
    for (std::size_t i = 8 + textLength + 1; i < kFirmwareDataEnd; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        image[i] = static_cast<std::uint8_t>(state >> 32);
    }
    if (image[kFirmwareDataEnd - 1] == 0xFF)
        image[kFirmwareDataEnd - 1] = 0x5A;
    return image;
}
