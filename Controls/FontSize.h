// Setting a control's font size the way the platform settles it: a temporary font of the wanted
// height and the description's face, whose height and width are copied back.
#pragma once

#include <windows.h>

#include "framework/Gdi.h"

inline void TakeFontSize(LOGFONTA& font, int height, BYTE quality) {
    CFont temporary;
    temporary.Attach(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH,
                                 font.lfFaceName));
    LOGFONTA read{};
    if (temporary.GetLogFont(read)) {
        font.lfHeight = read.lfHeight;
        font.lfWidth = read.lfWidth;
    }
}
