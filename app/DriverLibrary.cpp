// Binding of the driver library's five exports, and the calls into them.
#include "app/DriverLibrary.h"

#include "app/CallKeepingStack.h"
#include "app/DriverCrashHandler.h"

#if defined(__i386__) || defined(_M_IX86)
#define TERVOLIN_X86 1
#endif

namespace {

struct Export {
    const char* name;
    int argumentBytes; // on x86, as the stdcall decoration counts them
};
constexpr Export kExports[] = {
    {"Initialize_DriverInterface", 0},   {"GetCodeVersion", 4}, {"EraseSF", 0}, {"ReqToDriver", 16},
    {"UnInitialize_DriverInterface", 0},
};

// The function under its plain name, else under its stdcall decorations "Name@N" and "_Name@N".
// A decoration with another size is a function of another shape, and is not taken.
FARPROC Find(const CModule& module, const Export& function) {
    if (const auto plain = module.Proc<FARPROC>(function.name))
        return plain;
#ifdef TERVOLIN_X86
    const std::string decorated = std::string(function.name) + "@" + std::to_string(function.argumentBytes);
    if (const auto stdcall = module.Proc<FARPROC>(decorated.c_str()))
        return stdcall;
    return module.Proc<FARPROC>(("_" + decorated).c_str());
#else
    return nullptr;
#endif
}

} // namespace

CDriverLibrary::CDriverLibrary() : CDriverLibrary(ProgramFolder() + L"RevezoDaRur.dll") {}

CDriverLibrary::CDriverLibrary(const std::wstring& path) {
    if (!m_module.Load(path)) {
        const DWORD error = GetLastError();
        m_problem =
            error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                ? "absent"
                : "unloadable:" + std::to_string(error);
        return;
    }
    for (int f = 0; f < kFunctionCount; ++f) {
        m_functions[f] = Find(m_module, kExports[f]);
        if (m_functions[f] == nullptr) {
            m_problem = std::string("missing:") + kExports[f].name;
            return;
        }
    }
}

int CDriverLibrary::Call(Function f, const std::uintptr_t* arguments, std::size_t count) const {
    const CDriverCrashHandler::CCall guard(kExports[f].name);
    const FARPROC function = m_functions[f];
#ifdef TERVOLIN_X86
    return TervolinCallKeepingStack(reinterpret_cast<const void*>(function), arguments, count);
#else
    // x64 has one calling convention.
    using Arguments0 = int (*)();
    using Arguments1 = int (*)(std::uintptr_t);
    using Arguments4 = int (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t);
    void* const address = reinterpret_cast<void*>(function);
    if (count == 0)
        return reinterpret_cast<Arguments0>(address)();
    if (count == 1)
        return reinterpret_cast<Arguments1>(address)(arguments[0]);
    return reinterpret_cast<Arguments4>(address)(arguments[0], arguments[1], arguments[2], arguments[3]);
#endif
}

std::int32_t CDriverLibrary::Initialize_DriverInterface() {
    return IsLoaded() ? Call(kInitialize, nullptr, 0) : 0;
}

bool CDriverLibrary::GetCodeVersion(std::uint8_t* buffer) {
    const std::uintptr_t arguments[] = {reinterpret_cast<std::uintptr_t>(buffer)};
    return IsLoaded() && Call(kGetCodeVersion, arguments, 1) != 0;
}

bool CDriverLibrary::EraseSF() {
    return IsLoaded() && Call(kErase, nullptr, 0) != 0;
}

bool CDriverLibrary::ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                                 std::uint32_t length) {
    const std::uintptr_t arguments[] = {request, value, reinterpret_cast<std::uintptr_t>(buffer), length};
    return IsLoaded() && Call(kRequest, arguments, 4) != 0;
}

bool CDriverLibrary::UnInitialize_DriverInterface() {
    return IsLoaded() && Call(kUnInitialize, nullptr, 0) != 0;
}
