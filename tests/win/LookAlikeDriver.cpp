// A camera driver library as its maker might have built it: the five functions over a 64 KiB flash
// kept in flash.bin in the folder that TERVOLIN_LOOKALIKE names. The build chooses the calling
// convention (LOOKALIKE_STDCALL, else cdecl), C++ names (LOOKALIKE_MANGLED) and, through a .def
// file, the names it exports. TERVOLIN_LOOKALIKE_MODE makes it misbehave: "read-differs" returns
// the last byte of every read inverted, "version-fills-all" fills all 52 bytes of the code version
// with no zero byte, "open-2-then-fail" opens with 2 the first time and with -1 every later time
// (it leaves "opened" beside the flash: the program loads the library afresh for each use),
// "raise-in-erase" raises an exception of its own out of EraseSF, and "chatty" writes debug output
// and throws and catches a C++ exception of its own inside every call, as some libraries do.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#ifdef LOOKALIKE_MANGLED
#define LOOKALIKE_API __declspec(dllexport)
#else
#define LOOKALIKE_API extern "C"
#endif
#ifdef LOOKALIKE_STDCALL
#define LOOKALIKE_CALL __stdcall
#else
#define LOOKALIKE_CALL __cdecl
#endif

namespace {

constexpr long kFlashSize = 65536;
bool g_open = false;

std::string Environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

bool Mode(const char* mode) {
    return Environment("TERVOLIN_LOOKALIKE_MODE") == mode;
}

// What a chatty library does on every call, all of it handled within the library.
void Chatter(const char* call) {
    if (Mode("chatty")) {
        OutputDebugStringA(call);
        try {
            throw std::string(call);
        } catch (const std::string&) {
        }
    }
}

// The flash file opened for reading or for changing; null unless it holds exactly kFlashSize bytes.
std::FILE* OpenFlash(bool writable) {
    const std::string folder = Environment("TERVOLIN_LOOKALIKE");
    std::FILE* file =
        folder.empty() ? nullptr : std::fopen((folder + "\\flash.bin").c_str(), writable ? "r+b" : "rb");
    if (file != nullptr && (std::fseek(file, 0, SEEK_END) != 0 || std::ftell(file) != kFlashSize)) {
        std::fclose(file);
        return nullptr;
    }
    if (file != nullptr)
        std::rewind(file);
    return file;
}

bool Transfer(unsigned int offset, unsigned char* data, unsigned int length, bool write) {
    if (!g_open || data == nullptr || offset > kFlashSize || length > kFlashSize - offset)
        return false;
    std::FILE* file = OpenFlash(write);
    if (file == nullptr)
        return false;
    static unsigned char flash[kFlashSize];
    bool done = std::fread(flash, 1, kFlashSize, file) == kFlashSize;
    if (done && write) {
        // NOR programming only clears bits.
        for (unsigned int i = 0; i < length; ++i)
            flash[offset + i] &= data[i];
        done = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(flash, 1, kFlashSize, file) == kFlashSize;
    } else if (done) {
        std::memcpy(data, flash + offset, length);
        if (Mode("read-differs") && length > 0)
            data[length - 1] ^= 0xFF;
    }
    return std::fclose(file) == 0 && done;
}

} // namespace

LOOKALIKE_API int LOOKALIKE_CALL Initialize_DriverInterface() {
    Chatter("Initialize_DriverInterface");
    std::FILE* file = OpenFlash(false);
    if (file == nullptr)
        return 0;
    std::fclose(file);
    const bool flaky = Mode("open-2-then-fail");
    if (flaky) { // the first time only: "opened" beside the flash says it was
        const std::string marker = Environment("TERVOLIN_LOOKALIKE") + "\\opened";
        HANDLE opened = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            return -1;
        CloseHandle(opened);
    }
    g_open = true;
    return flaky ? 2 : 1;
}

LOOKALIKE_API int LOOKALIKE_CALL GetCodeVersion(unsigned char* buffer) {
    Chatter("GetCodeVersion");
    unsigned char area[8 + 52] = {};
    std::FILE* file = g_open && buffer != nullptr ? OpenFlash(false) : nullptr;
    if (file == nullptr)
        return 0;
    const bool read = std::fread(area, 1, sizeof area, file) == sizeof area;
    std::fclose(file);
    if (!read)
        return 0;
    std::memcpy(buffer, area + 8, 52);
    for (int i = 0; i < 52 && Mode("version-fills-all"); ++i)
        buffer[i] = buffer[i] == 0 ? '#' : buffer[i];
    return 1;
}

LOOKALIKE_API int LOOKALIKE_CALL EraseSF() {
    Chatter("EraseSF");
    if (Mode("raise-in-erase"))
        RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::FILE* file = g_open ? OpenFlash(true) : nullptr;
    if (file == nullptr)
        return 0;
    static unsigned char erased[kFlashSize];
    std::memset(erased, 0xFF, kFlashSize);
    const bool done = std::fwrite(erased, 1, kFlashSize, file) == kFlashSize;
    return std::fclose(file) == 0 && done;
}

LOOKALIKE_API int LOOKALIKE_CALL ReqToDriver(unsigned char request, unsigned int value, unsigned char* buffer,
                                             unsigned int length) {
    Chatter("ReqToDriver");
    if (request != 6 && request != 7)
        return 0;
    return Transfer(value, buffer, length, request == 6);
}

LOOKALIKE_API int LOOKALIKE_CALL UnInitialize_DriverInterface() {
    Chatter("UnInitialize_DriverInterface");
    const bool wasOpen = g_open;
    g_open = false;
    return wasOpen;
}
