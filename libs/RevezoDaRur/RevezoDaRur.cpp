// The driver DLL's exports over the virtual camera. The C interface has one driver session per
// process; it lives here, opened by Initialize_DriverInterface and ended by its counterpart.
#include "libs/RevezoDaRur/RevezoDaRur.h"

#include <memory>

#include "libs/RevezoDaRur/VirtualCamera.h"

namespace {

std::unique_ptr<VirtualCamera> g_session;

} // namespace

extern "C" int Initialize_DriverInterface(void) {
    // Each open looks for the camera afresh, in the folder named at that moment.
    g_session = std::make_unique<VirtualCamera>(DefaultStateFolder());
    const int result = g_session->Initialize_DriverInterface();
    if (result <= 0)
        g_session.reset();
    return result;
}

extern "C" int GetCodeVersion(unsigned char* buffer) {
    return g_session && g_session->GetCodeVersion(buffer);
}

extern "C" int EraseSF(void) {
    return g_session && g_session->EraseSF();
}

extern "C" int ReqToDriver(unsigned char request, unsigned int value, unsigned char* buffer,
                           unsigned int length) {
    return g_session && g_session->ReqToDriver(request, value, buffer, length);
}

extern "C" int UnInitialize_DriverInterface(void) {
    if (!g_session)
        return 0;
    const bool closed = g_session->UnInitialize_DriverInterface();
    g_session.reset();
    return closed;
}
