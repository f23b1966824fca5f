// The language-tag check on any registry value.
#include <cstddef>
#include <cstdint>

#include "libs/ravozev/LanguageTag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto tag = NormalizeLanguageTag(std::string_view(reinterpret_cast<const char*>(data), size));
    if (tag) {
        // Only short lower-case letters ever come out, so no path can be made from one.
        if (tag->size() < 2 || tag->size() > 3)
            __builtin_trap();
        for (char c : *tag) {
            if (c < 'a' || c > 'z')
                __builtin_trap();
        }
        LanguageModuleName(*tag);
    }
    return 0;
}
