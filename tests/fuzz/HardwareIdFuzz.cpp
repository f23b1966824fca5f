// Hardware-id matching on any bytes, as the device inventory could hand them over.
#include <cstddef>
#include <cstdint>

#include "core/HardwareId.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    MatchHardwareId(std::string_view(text, size));
    MatchHardwareId(FirstHardwareIdString(text, size));
    return 0;
}
