// The camera driver library's five operations, as the program calls them. The Windows shell binds
// them to the driver DLL; the virtual camera model implements them directly for the tests.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kCodeVersionBufferSize = 52; // what GetCodeVersion may fill
constexpr std::size_t kCodeVersionLength = 23;     // the part of it that identifies the firmware

constexpr std::uint8_t kRequestWriteFlash = 6;
constexpr std::uint8_t kRequestReadFlash = 7;

class DriverApi {
public:
    virtual ~DriverApi() = default;

    // Greater than 0: the driver interface is open. 0 or less: no camera reachable.
    virtual std::int32_t Initialize_DriverInterface() = 0;
    // Fills a buffer of kCodeVersionBufferSize bytes with the firmware code version text.
    virtual bool GetCodeVersion(std::uint8_t* buffer) = 0;
    // Erases the whole serial flash to 0xFF.
    virtual bool EraseSF() = 0;
    // Request 6 writes `length` bytes of `buffer` to the flash, request 7 reads them back.
    virtual bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                             std::uint32_t length) = 0;
    virtual bool UnInitialize_DriverInterface() = 0;
};
