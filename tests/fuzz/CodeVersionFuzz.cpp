// The code-version check and the firmware name on any 52 bytes a driver could report.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/FirmwareVersion.h"

namespace {

// A driver that opens and reports the fuzzer's bytes as its code version.
class ReportingDriver final : public DriverApi {
public:
    ReportingDriver(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::int32_t Initialize_DriverInterface() override { return 1; }
    bool GetCodeVersion(std::uint8_t* buffer) override {
        std::memcpy(buffer, m_data, m_size < kCodeVersionBufferSize ? m_size : kCodeVersionBufferSize);
        return true;
    }
    bool EraseSF() override { return false; }
    bool ReqToDriver(std::uint8_t, std::uint32_t, std::uint8_t*, std::uint32_t) override { return false; }
    bool UnInitialize_DriverInterface() override { return true; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReportingDriver driver(data, size);
    const int result = CheckCodeVersion(driver, size % 2 == 0);
    if (result != kVersionEqual && result != kVersionDiffers)
        __builtin_trap();
    char code[kCodeVersionBufferSize + 1] = {};
    std::memcpy(code, data, size < kCodeVersionBufferSize ? size : kCodeVersionBufferSize);
    GetFirmwareName(code);
    return 0;
}
