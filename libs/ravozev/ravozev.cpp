// The language library DLL: registry value, tag check, module load and its check.
#include "libs/ravozev/ravozev.h"

#include <optional>
#include <string>

#include "framework/Module.h"
#include "framework/UniqueHandle.h"
#include "libs/ravozev/LanguageTag.h"
#include "res/resource.h"

namespace {

constexpr DWORD kMaxValueBytes = 16;
constexpr UINT kFirstText = IDS_OK;
constexpr UINT kLastText = IDS_DO_NOT_DISCONNECT;

using CRegKey = CUniqueHandle<NullHandleTraits<HKEY, ::RegCloseKey>>;

// A short string value of `key`; nothing when it is missing, of another type, or too long.
std::optional<std::string> QueryShortString(HKEY key, const char* name) {
    char data[kMaxValueBytes + 1] = {};
    DWORD type = 0;
    DWORD size = kMaxValueBytes;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > kMaxValueBytes)
        return std::nullopt;
    std::string value(data, size);
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    if (value.find('\0') != std::string::npos)
        return std::nullopt; // more than one string hides in it
    return value;
}

bool HoldsAllTexts(HMODULE module) {
    for (UINT id = kFirstText; id <= kLastText; ++id) {
        const wchar_t* text = nullptr;
        if (LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0) <= 0)
            return false;
    }
    return true;
}

} // namespace

extern "C" HINSTANCE WINAPI LoadLanguageModule(HINSTANCE program, const char* key, const char* valueName) {
    if (key == nullptr || valueName == nullptr)
        return nullptr;
    CRegKey registry;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, registry.Out()) != ERROR_SUCCESS)
        return nullptr;
    const std::optional<std::string> value = QueryShortString(registry.Get(), valueName);
    const std::optional<std::string> tag = value ? NormalizeLanguageTag(*value) : std::nullopt;
    if (!tag)
        return nullptr;
    const std::string name = LanguageModuleName(*tag);
    const std::wstring folder = ModuleFolder(program);
    if (folder.empty())
        return nullptr;
    CModule module;
    if (!module.Load(folder + L"lang\\" + std::wstring(name.begin(), name.end()),
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE) ||
        !HoldsAllTexts(module.Get()))
        return nullptr;
    return module.Detach();
}

extern "C" void WINAPI FreeLanguageModule(HINSTANCE module) {
    if (module != nullptr)
        FreeLibrary(module);
}
