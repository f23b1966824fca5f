// CMultiLanguage: the program's side of the language library. It loads ravozev.dll from the
// program's folder and asks it for the language module the user chose.
#pragma once

#include <windows.h>

#include "framework/Module.h"

class CMultiLanguage {
public:
    CMultiLanguage() = default;
    // Releases the language module it returned, then the library.
    virtual ~CMultiLanguage();
    CMultiLanguage(const CMultiLanguage&) = delete;
    CMultiLanguage& operator=(const CMultiLanguage&) = delete;

    // The language module named by the string value `valueName` under `key` of the current
    // user's registry hive, or null: no value, not a language tag, no such module beside
    // `program`, or the library itself missing.
    HINSTANCE LoadLangResourceDLL(HINSTANCE program, const char* key, const char* valueName);

private:
    CModule m_library;
    HINSTANCE m_hLanguage = nullptr;
};
