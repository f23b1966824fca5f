// Reading the switches from any command-line tail.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/UpdateChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string tail(reinterpret_cast<const char*>(data), size);
    const SwitchFlags flags = ReadSwitches(tail.c_str());
    if (flags.force != (std::string(tail.c_str()).find("/force") != std::string::npos))
        __builtin_trap();
    // At most one of the three runs: /check outweighs /quiet, and both outweigh /?.
    if (flags.quiet + flags.check + flags.help > 1)
        __builtin_trap();
    return 0;
}
