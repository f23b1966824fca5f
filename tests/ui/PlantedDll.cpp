// A stand-in for a library planted where an updater might pick it up, under a name the program
// uses: when anything loads it, it leaves "<its file name>.loaded" in the folder that
// TERVOLIN_PLANTED names.
#include <windows.h>

#include <cstring>
#include <string>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TERVOLIN_PLANTED", folder, MAX_PATH) == 0 ||
        GetModuleFileNameA(module, path, MAX_PATH) == 0)
        return TRUE;
    const char* name = std::strrchr(path, '\\');
    const std::string marker = std::string(folder) + "\\" + (name ? name + 1 : path) + ".loaded";
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
