// Binding of the driver library's five exports.
#include "DriverLibrary.h"

namespace {

template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

CDriverLibrary::CDriverLibrary() : CDriverLibrary(ProgramFolder() + L"RevezoDaRur.dll") {}

CDriverLibrary::CDriverLibrary(const std::wstring& path) {
    // A full path, so neither the current directory nor PATH can supply another library.
    m_module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!m_module)
        return;
    HMODULE module = m_module.get();
    auto initialize = Export<InitializeFn>(module, "Initialize_DriverInterface");
    m_getCodeVersion = Export<GetCodeVersionFn>(module, "GetCodeVersion");
    m_erase = Export<EraseFn>(module, "EraseSF");
    m_request = Export<RequestFn>(module, "ReqToDriver");
    m_uninitialize = Export<UnInitializeFn>(module, "UnInitialize_DriverInterface");
    if (initialize && m_getCodeVersion && m_erase && m_request && m_uninitialize)
        m_initialize = initialize;
}

std::int32_t CDriverLibrary::Initialize_DriverInterface() {
    return m_initialize ? m_initialize() : 0;
}

bool CDriverLibrary::GetCodeVersion(std::uint8_t* buffer) {
    return m_initialize && m_getCodeVersion(buffer) != 0;
}

bool CDriverLibrary::EraseSF() {
    return m_initialize && m_erase() != 0;
}

bool CDriverLibrary::ReqToDriver(std::uint8_t request, std::uint32_t value, std::uint8_t* buffer,
                                 std::uint32_t length) {
    return m_initialize && m_request(request, value, buffer, length) != 0;
}

bool CDriverLibrary::UnInitialize_DriverInterface() {
    return m_initialize && m_uninitialize() != 0;
}
