// Texts of a module's string table, as 8-bit strings in the system's ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// The text of string `id` in `module`; empty when the module has no such string.
std::string LoadResourceString(HINSTANCE module, UINT id);
