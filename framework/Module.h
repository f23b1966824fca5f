// Owner of a loaded module, and the folder a module was loaded from.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

class CModule {
public:
    CModule() = default;
    ~CModule() { Free(); }
    CModule(CModule&& other) noexcept : m_hModule(std::exchange(other.m_hModule, nullptr)) {}
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    // Loads a module by its full path, so neither the current directory nor PATH takes part.
    bool Load(const std::wstring& path, DWORD flags = LOAD_WITH_ALTERED_SEARCH_PATH) {
        Free();
        m_hModule = ::LoadLibraryExW(path.c_str(), nullptr, flags);
        return m_hModule != nullptr;
    }
    HMODULE Get() const { return m_hModule; }
    HMODULE Detach() { return std::exchange(m_hModule, nullptr); }
    explicit operator bool() const { return m_hModule != nullptr; }

    template <typename Fn> Fn Proc(const char* name) const {
        return m_hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_hModule, name)))
                         : nullptr;
    }

private:
    void Free() {
        if (m_hModule != nullptr)
            ::FreeLibrary(std::exchange(m_hModule, nullptr));
    }

    HMODULE m_hModule = nullptr;
};

// The folder of `module` (the program when null), with a trailing backslash; empty on failure.
std::wstring ModuleFolder(HMODULE module = nullptr);
