// Language tags.
#include "libs/ravozev/LanguageTag.h"

std::optional<std::string> NormalizeLanguageTag(std::string_view value) {
    if (value.size() < 2 || value.size() > 3)
        return std::nullopt;
    std::string tag;
    for (char c : value) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z')
            return std::nullopt;
        tag += c;
    }
    return tag;
}

std::string LanguageModuleName(const std::string& tag) {
    return "Tervolin." + tag + ".dll";
}
