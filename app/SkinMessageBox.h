// The one way the program shows a message: the skinned message box with the button captions of
// the text module, or the platform's own box when the skinned one is missing or cannot show.
#pragma once

#include <windows.h>

#include <string>

// Shows a modal message owned by `owner` and returns the box's result.
int SkinMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);
