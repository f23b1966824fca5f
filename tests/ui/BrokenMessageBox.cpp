// A message-box library that cannot show its box: MessageBoxSkinEx answers 0, as the library
// does when its window cannot be made. The program must then show the message itself.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI
    MessageBoxSkinEx(const char*, const char*, const char*, const char*, HWND, const char*, const char*,
                     UINT) {
    return 0;
}
