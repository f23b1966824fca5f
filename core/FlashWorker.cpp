// Flashing worker: write, verify, retry.
#include "core/FlashWorker.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/DriverSession.h"

namespace {

constexpr int kAttempts = 3;

// The log entry of the attempt under way, when the job keeps a log.
FlashAttempt* CurrentAttempt(const FlashContext& context) {
    return context.attempts != nullptr && !context.attempts->empty() ? &context.attempts->back() : nullptr;
}

} // namespace

std::unique_ptr<std::uint8_t[]> AllocateBuffer(std::size_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

void WriteFirmware(const FlashContext& context, WindowHandle window) {
    const std::uint8_t* image = context.images.LoadWhole(context.firmwareResourceId);
    if (image == nullptr)
        return;
    DriverSession session(context.driver);
    if (!session.IsOpen())
        return;
    const std::unique_ptr<std::uint8_t[]> buffer = context.allocate(kFirmwareImageSize);
    if (!buffer)
        return;
    std::memcpy(buffer.get(), image, kFirmwareImageSize);

    context.sink.Post(window, WM_FLASH_PROGRESS, 0, kStageErase);
    const bool erased = context.driver.EraseSF();
    if (FlashAttempt* attempt = CurrentAttempt(context))
        attempt->erased = erased;
    if (erased) {
        context.sink.Post(window, WM_FLASH_PROGRESS, 10, kStageWrite);
        // The write's own report is not trusted either way: the read-back decides.
        context.driver.ReqToDriver(kRequestWriteFlash, 0, buffer.get(), kFirmwareWriteLength);
    }
}

bool VerifyFirmware(const FlashContext& context, WindowHandle window) {
    context.sink.Post(window, WM_FLASH_PROGRESS, 75, kStageReadBack);
    const std::uint8_t* image = context.images.LoadWhole(context.firmwareResourceId);
    if (image == nullptr)
        return false;
    DriverSession session(context.driver);
    if (!session.IsOpen())
        return false;
    const FlashAttempt result = ReadBackAgainst(context.driver, image, context.allocate);
    if (FlashAttempt* attempt = CurrentAttempt(context)) {
        attempt->readBack = result.readBack;
        attempt->firstDifference = result.firstDifference;
    }
    return result.Verified();
}

FlashAttempt ReadBackAgainst(DriverApi& driver, const std::uint8_t* image, BufferAllocator allocate) {
    FlashAttempt result;
    const std::unique_ptr<std::uint8_t[]> expected = allocate(kFirmwareImageSize);
    const std::unique_ptr<std::uint8_t[]> flash = allocate(kFirmwareImageSize);
    if (!expected || !flash)
        return result;
    std::memcpy(expected.get(), image, kFirmwareImageSize);
    // Every byte starts as the image's complement, so a byte the driver leaves unread can never
    // pass for a verified one, whatever the memory held before.
    std::transform(expected.get(), expected.get() + kFirmwareImageSize, flash.get(),
                   [](std::uint8_t byte) { return static_cast<std::uint8_t>(~byte); });

    // A read that did not happen verifies nothing.
    result.readBack = driver.ReqToDriver(kRequestReadFlash, 0, flash.get(), kFirmwareImageSize);
    if (!result.readBack)
        return result;
    const std::uint8_t* difference =
        std::mismatch(expected.get(), expected.get() + kFirmwareImageSize, flash.get()).first;
    if (difference != expected.get() + kFirmwareImageSize)
        result.firstDifference = static_cast<std::uint32_t>(difference - expected.get());
    return result;
}

bool FlashHoldsImage(DriverApi& driver, const std::uint8_t* image, BufferAllocator allocate) {
    const FlashAttempt result = ReadBackAgainst(driver, image, allocate);
    return result.Verified();
}

unsigned FlashThreadProc(const FlashContext& context, WindowHandle window) {
    bool verified = false;
    for (int attempt = 0; attempt < kAttempts && !verified; ++attempt) {
        if (context.attempts != nullptr)
            context.attempts->emplace_back();
        WriteFirmware(context, window);
        verified = VerifyFirmware(context, window);
    }
    context.sink.Post(window, WM_FLASH_DONE, verified ? 1 : 0, 0);
    return 0;
}
