// The camera driver library, RevezoDaRur.dll, loaded by full path from the program's own folder.
#pragma once

#include <windows.h>

#include <string>

#include "core/DriverApi.h"
#include "framework/Module.h"

class CDriverLibrary final : public DriverApi {
public:
    // Loads the library beside the running program. When it is missing or lacks an export, the
    // driver behaves as a camera that is not reachable: the interface never opens.
    CDriverLibrary();
    explicit CDriverLibrary(const std::wstring& path);

    bool IsLoaded() const { return m_initialize != nullptr; }

    std::int32_t Initialize_DriverInterface() override;
    bool GetCodeVersion(std::uint8_t* buffer) override;
    bool EraseSF() override;
    bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                     std::uint32_t length) override;
    bool UnInitialize_DriverInterface() override;

private:
    using InitializeFn = int(__cdecl*)();
    using GetCodeVersionFn = int(__cdecl*)(unsigned char*);
    using EraseFn = int(__cdecl*)();
    using RequestFn = int(__cdecl*)(unsigned char, unsigned int, unsigned char*, unsigned int);
    using UnInitializeFn = int(__cdecl*)();

    CModule m_module;
    InitializeFn m_initialize = nullptr;
    GetCodeVersionFn m_getCodeVersion = nullptr;
    EraseFn m_erase = nullptr;
    RequestFn m_request = nullptr;
    UnInitializeFn m_uninitialize = nullptr;
};

// The folder of the running program, with a trailing backslash.
inline std::wstring ProgramFolder() {
    return ModuleFolder(nullptr);
}
