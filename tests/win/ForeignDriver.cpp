// Look-alikes of the camera driver library that a program must not take for it. Each answers as
// a reachable camera with the target firmware, so a program that did call into one would go on
// as if a camera were there. FOREIGN_DRIVER_DECORATED exports the five functions under decorated
// names only (stdcall "Name@N" on x86, C++ names on x64); FOREIGN_DRIVER_WITHOUT_CLOSE exports
// the undecorated names but leaves out UnInitialize_DriverInterface.
#include <cstring>

#if defined(FOREIGN_DRIVER_DECORATED) && defined(__i386__)
#define FOREIGN_LINKAGE extern "C" __declspec(dllexport)
#define FOREIGN_CALL __stdcall
#elif defined(FOREIGN_DRIVER_DECORATED)
#define FOREIGN_LINKAGE __declspec(dllexport)
#define FOREIGN_CALL
#else
#define FOREIGN_LINKAGE extern "C" __declspec(dllexport)
#define FOREIGN_CALL __cdecl
#endif

FOREIGN_LINKAGE int FOREIGN_CALL Initialize_DriverInterface() {
    return 1;
}

FOREIGN_LINKAGE int FOREIGN_CALL GetCodeVersion(unsigned char* buffer) {
    static const char kVersion[] = "SN9C250 0. 0. 5.11SBFgG";
    std::memset(buffer, 0, 52);
    std::memcpy(buffer, kVersion, sizeof kVersion);
    return 1;
}

FOREIGN_LINKAGE int FOREIGN_CALL EraseSF() {
    return 1;
}

FOREIGN_LINKAGE int FOREIGN_CALL ReqToDriver(unsigned char, unsigned int, unsigned char*, unsigned int) {
    return 1;
}

#ifndef FOREIGN_DRIVER_WITHOUT_CLOSE
FOREIGN_LINKAGE int FOREIGN_CALL UnInitialize_DriverInterface() {
    return 1;
}
#endif
