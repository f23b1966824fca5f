// The flashing worker: erase the camera's serial flash, write the firmware image, read the whole
// flash back and compare, up to three attempts. It talks to the update dialog only by posting
// WM_FLASH_PROGRESS at the start of each stage and WM_FLASH_DONE at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/DriverApi.h"
#include "core/FirmwareImages.h"
#include "core/Messages.h"

constexpr std::uint32_t kFirmwareWriteLength = 35428; // the firmware data and the first fill byte

// lParam of WM_FLASH_PROGRESS: the position where the dialog's stepping stops in the low 16 bits,
// the step interval in milliseconds in the high 16 bits.
constexpr std::intptr_t ProgressStage(unsigned stopPosition, unsigned intervalMs) {
    return static_cast<std::intptr_t>((intervalMs << 16) | stopPosition);
}

constexpr std::intptr_t kStageErase = ProgressStage(10, 1000);    // posted with position 0
constexpr std::intptr_t kStageWrite = ProgressStage(75, 500);     // posted with position 10
constexpr std::intptr_t kStageReadBack = ProgressStage(100, 500); // posted with position 75

// An opaque window handle: the receiver of the worker's messages.
using WindowHandle = void*;

// Posts a message to a window without waiting for it to be handled.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Post(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

using BufferAllocator = std::unique_ptr<std::uint8_t[]> (*)(std::size_t size);

// A buffer of `size` bytes, or null when the memory is not there.
std::unique_ptr<std::uint8_t[]> AllocateBuffer(std::size_t size);

// What one attempt did, kept for the update history.
struct FlashAttempt {
    bool erased = false;                          // the erase reported success
    bool readBack = false;                        // the read-back request reported success
    std::optional<std::uint32_t> firstDifference; // where the comparison found the flash differing

    // The flash was read back whole and held the image.
    bool Verified() const { return readBack && !firstDifference; }
};

// What one flashing job works with. The image id is read afresh at every step.
struct FlashContext {
    DriverApi& driver;
    FirmwareImages& images;
    MessageSink& sink;
    const int& firmwareResourceId;
    BufferAllocator allocate = AllocateBuffer;
    std::vector<FlashAttempt>* attempts = nullptr; // when set, each attempt is added to it
};

// Erases the flash and writes the image's first kFirmwareWriteLength bytes.
void WriteFirmware(const FlashContext& context, WindowHandle window);

// Reads the whole flash back; true only when every byte equals the image.
bool VerifyFirmware(const FlashContext& context, WindowHandle window);

// Reads the whole flash through an open driver session and compares it with `image`, which holds
// kFirmwareImageSize bytes. The read counts as failed also when the buffers cannot be had.
FlashAttempt ReadBackAgainst(DriverApi& driver, const std::uint8_t* image,
                             BufferAllocator allocate = AllocateBuffer);
// True when that read-back succeeded and found every byte equal.
bool FlashHoldsImage(DriverApi& driver, const std::uint8_t* image, BufferAllocator allocate = AllocateBuffer);

// The whole job: up to three attempts, then WM_FLASH_DONE with 1 (verified) or 0. Returns 0.
unsigned FlashThreadProc(const FlashContext& context, WindowHandle window);
