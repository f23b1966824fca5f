// The dialog-template reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Controls/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A block of exactly the input's size, so that any read past it is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto parsed = ParseDialogTemplate(bytes.data(), bytes.size());
    if (parsed && parsed->items.size() > parsed->itemCount)
        __builtin_trap();
    return 0;
}
