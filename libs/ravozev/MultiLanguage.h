// CMultiLanguage: the program's side of the language library. It loads ravozev.dll from the
// program's folder and asks it for the language module the user chose.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "framework/Module.h"

class CMultiLanguage {
public:
    CMultiLanguage() = default;
    // Releases the language module it returned, then the library.
    virtual ~CMultiLanguage() = default;
    CMultiLanguage(const CMultiLanguage&) = delete;
    CMultiLanguage& operator=(const CMultiLanguage&) = delete;

    // The language module named by the string value `valueName` under `key` of the current
    // user's registry hive, or null: no value, not a language tag, no such module beside
    // `program`, or the library itself missing.
    HINSTANCE LoadLangResourceDLL(HINSTANCE program, const char* key, const char* valueName);

private:
    using FreeFn = void(WINAPI*)(HINSTANCE);

    CModule m_library;
    // Handed back to the library, which goes after it, by the library's own function.
    std::unique_ptr<std::remove_pointer_t<HINSTANCE>, FreeFn> m_language{nullptr, nullptr};
};
