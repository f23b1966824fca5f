// Binding of the driver library's five exports.
#include "app/DriverLibrary.h"

CDriverLibrary::CDriverLibrary() : CDriverLibrary(ProgramFolder() + L"RevezoDaRur.dll") {}

CDriverLibrary::CDriverLibrary(const std::wstring& path) {
    if (!m_module.Load(path))
        return;
    auto initialize = m_module.Proc<InitializeFn>("Initialize_DriverInterface");
    m_getCodeVersion = m_module.Proc<GetCodeVersionFn>("GetCodeVersion");
    m_erase = m_module.Proc<EraseFn>("EraseSF");
    m_request = m_module.Proc<RequestFn>("ReqToDriver");
    m_uninitialize = m_module.Proc<UnInitializeFn>("UnInitialize_DriverInterface");
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
