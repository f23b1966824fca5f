// The program's firmware images, found by resource id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

constexpr std::uint32_t kFirmwareImageSize = 65536;

class FirmwareImages {
public:
    struct Bytes {
        const std::uint8_t* data;
        std::size_t size;
    };

    virtual ~FirmwareImages() = default;
    // The bytes of image `resourceId`, or nothing when it cannot be found or loaded. They stay
    // valid while the program runs.
    virtual std::optional<Bytes> Load(int resourceId) = 0;
    // Whether image `resourceId` is there, of exactly kFirmwareImageSize bytes, and as it was
    // built: a damaged image must never reach the camera, where it would be written, read back,
    // compared with the same damaged bytes and taken for a success.
    virtual bool IsSound(int resourceId) = 0;

    // Image `resourceId` when it is there and of exactly kFirmwareImageSize bytes.
    const std::uint8_t* LoadWhole(int resourceId) {
        const std::optional<Bytes> image = Load(resourceId);
        return image && image->data != nullptr && image->size == kFirmwareImageSize ? image->data : nullptr;
    }
};
