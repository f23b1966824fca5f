// CDialogFontAdjuster: lays a dialog out again from its own template with the template's font
// made at a chosen resolution, and puts the previous font back when it is restored.
#pragma once

#include <windows.h>

#include "framework/Gdi.h"

class CDialogFontAdjuster {
public:
    CDialogFontAdjuster() = default;
    ~CDialogFontAdjuster() { Restore(); }
    CDialogFontAdjuster(const CDialogFontAdjuster&) = delete;
    CDialogFontAdjuster& operator=(const CDialogFontAdjuster&) = delete;

    // Makes the template's font at `pixelsPerInch`, puts it on the dialog and its controls, and
    // sizes and places them from the template's dialog units in that font's base units.
    void Apply(HMODULE module, HWND dialog, int templateId, double pixelsPerInch);
    // Puts the previous font back on the dialog and its controls and deletes the adjuster's font.
    void Restore();

    HFONT Font() const { return m_font; }

private:
    int m_nTemplateId = 0;
    HMODULE m_hModule = nullptr;
    HWND m_hDialog = nullptr;
    CFont m_font;
    HFONT m_hPreviousFont = nullptr;
};
