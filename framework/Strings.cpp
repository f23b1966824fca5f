// String-table access.
#include "framework/Strings.h"

std::string LoadResourceString(HINSTANCE module, UINT id) {
    // The table is UTF-16; take it whole, whatever its length, and convert it once.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, length, converted.data(), size, nullptr, nullptr);
    return converted;
}
