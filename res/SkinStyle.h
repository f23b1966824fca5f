// The look every skinned window gives its labels and image buttons: Arial bold, text drawn over
// the skin, the button faces of the artwork.
#pragma once

#include <string>

#include "Controls/GdipButton.h"
#include "Controls/Label.h"
#include "res/resource.h"

// A transparent label in Arial bold at `points`, in `colour`.
inline void StyleSkinLabel(CLabel& label, const std::string& text, int points, COLORREF colour) {
    label.SetWindowText(text);
    label.SetTransparent(true);
    label.SetFontSize(points);
    label.SetTextColor(colour, 255);
    label.SetFontFace("Arial", false, false);
    label.SetFontBold(true);
}

// A 100 x 44 button with the artwork's faces and grey captions, white when pressed.
inline void StyleSkinButton(CGdipButton& button, const std::string& caption) {
    button.SetWindowText(caption);
    button.LoadImages(IDPNG_BUTTON_NORMAL, IDPNG_BUTTON_HOVER, IDPNG_BUTTON_PRESSED, IDPNG_BUTTON_DISABLED,
                      0);
    button.SetWindowPos(nullptr, 0, 0, 100, 44, SWP_NOMOVE | SWP_NOZORDER);
    button.SetTextColors(0x696969, 0x696969);
    button.SetHoverTextColor(0x696969);
    button.SetPressedTextColor(0xFFFFFF);
    button.SetFontName("Arial", 0);
    button.SetFontSize(85);
    button.SetFontBold(true);
    button.EnableImageRebuild();
}
