// The module every user-visible text is loaded from.
#pragma once

#include <windows.h>

#include <string>

// The language module when start-up obtained one, else the program's own module.
HINSTANCE GetTextModule();

// Text `id` of the string table, from the text module.
std::string LoadText(UINT id);
