// The camera driver library, RevezoDaRur.dll, loaded by full path from the program's own folder.
// Its maker publishes neither the calling convention nor the form of the export names, so on x86
// each function is found under its plain name or its stdcall decorations, and called so that the
// stack is right after the call whichever convention the library used.
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

    bool IsLoaded() const { return m_problem.empty(); }
    // Why the library is not used, for the update history: empty when it is, "absent" when there
    // is no such file, "unloadable:ERROR" when it could not be loaded, "missing:NAME" for the first
    // of the five functions that it lacks.
    const std::string& Problem() const { return m_problem; }

    std::int32_t Initialize_DriverInterface() override;
    bool GetCodeVersion(std::uint8_t* buffer) override;
    bool EraseSF() override;
    bool ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                     std::uint32_t length) override;
    bool UnInitialize_DriverInterface() override;

private:
    enum Function { kInitialize, kGetCodeVersion, kErase, kRequest, kUnInitialize, kFunctionCount };

    // Calls function `f` with `count` arguments of four bytes (eight on x64), guarded as a call
    // into the driver. Its result as the int that every one of the five returns.
    int Call(Function f, const std::uintptr_t* arguments, std::size_t count) const;

    CModule m_module;
    FARPROC m_functions[kFunctionCount] = {};
    std::string m_problem;
};

// The folder of the running program, with a trailing backslash.
inline std::wstring ProgramFolder() {
    return ModuleFolder(nullptr);
}
