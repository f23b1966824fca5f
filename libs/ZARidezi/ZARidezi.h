/* The skinned message box: a modal message box owned by `owner`, with the program's look and the
   button captions it is handed. Returns the platform's result code of the button pressed (IDOK,
   IDCANCEL, IDYES, ...), or 0 when the box cannot be shown. */
#ifndef ZARIDEZI_H
#define ZARIDEZI_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ZARIDEZI_BUILD)
#define ZARIDEZI_API __declspec(dllexport)
#else
#define ZARIDEZI_API __declspec(dllimport)
#endif

ZARIDEZI_API int WINAPI MessageBoxSkinEx(const char* okCaption, const char* cancelCaption,
                                         const char* yesCaption, const char* noCaption, HWND owner,
                                         const char* text, const char* caption, UINT style);

#ifdef __cplusplus
}
#endif

#endif
