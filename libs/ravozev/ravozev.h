/* The language library: finds the language module the user chose. Its two C functions are the
   DLL's interface; programs use them through CMultiLanguage (MultiLanguage.h). */
#ifndef RAVOZEV_H
#define RAVOZEV_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(RAVOZEV_BUILD)
#define RAVOZEV_API __declspec(dllexport)
#else
#define RAVOZEV_API __declspec(dllimport)
#endif

/* Reads the string value `valueName` under `key` in the current user's registry hive. When it is a
   language tag, loads lang\Tervolin.<tag>.dll from the folder of `program` as a resource-only
   module and returns it, provided it holds the string table 102 to 114. Otherwise null. */
RAVOZEV_API HINSTANCE WINAPI LoadLanguageModule(HINSTANCE program, const char* key, const char* valueName);
/* Releases a module returned by LoadLanguageModule. */
RAVOZEV_API void WINAPI FreeLanguageModule(HINSTANCE module);

#ifdef __cplusplus
}
#endif

#endif
