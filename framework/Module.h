// Owner of a loaded module, and the folder a module was loaded from.
#pragma once

#include <windows.h>

#include <string>

#include "framework/UniqueHandle.h"

class CModule : public CUniqueHandle<NullHandleTraits<HMODULE, ::FreeLibrary>> {
public:
    using CUniqueHandle::CUniqueHandle;

    // Loads a module by its full path, so neither the current directory nor PATH takes part. What
    // was held is freed first.
    bool Load(const std::wstring& path, DWORD flags = LOAD_WITH_ALTERED_SEARCH_PATH) {
        Reset();
        Attach(::LoadLibraryExW(path.c_str(), nullptr, flags));
        return static_cast<bool>(*this);
    }

    template <typename Fn> Fn Proc(const char* name) const {
        return *this ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(Get(), name))) : nullptr;
    }
};

// The folder of `module` (the program when null), with a trailing backslash; empty on failure.
std::wstring ModuleFolder(HMODULE module = nullptr);
