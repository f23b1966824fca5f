// The look every skinned window gives its labels and image buttons: Arial bold, text drawn over
// the skin, the button faces of the artwork.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "Controls/GdipButton.h"
#include "Controls/GdiPlusBitmap.h"
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

// The artwork's button faces: normal, hover, pressed and disabled, as LoadImages takes them.
constexpr std::array<WORD, 4> kSkinButtonFaces = {IDPNG_BUTTON_NORMAL, IDPNG_BUTTON_HOVER,
                                                  IDPNG_BUTTON_PRESSED, IDPNG_BUTTON_DISABLED};
using SkinButtonFaces = std::array<std::shared_ptr<CPNGResource>, 4>;

// The button faces decoded once, for every skinned button to share for as long as the result is
// kept.
inline SkinButtonFaces KeepSkinButtonFaces() {
    SkinButtonFaces faces;
    for (std::size_t i = 0; i < faces.size(); ++i)
        faces[i] = SharedPngResource(kSkinButtonFaces[i]);
    return faces;
}

// A 100 x 44 button with the artwork's faces and grey captions, white when pressed.
inline void StyleSkinButton(CGdipButton& button, const std::string& caption) {
    button.SetWindowText(caption);
    button.LoadImages(kSkinButtonFaces[0], kSkinButtonFaces[1], kSkinButtonFaces[2], kSkinButtonFaces[3], 0);
    button.SetWindowPos(nullptr, 0, 0, 100, 44, SWP_NOMOVE | SWP_NOZORDER);
    button.SetTextColors(0x696969, 0x696969);
    button.SetHoverTextColor(0x696969);
    button.SetPressedTextColor(0xFFFFFF);
    button.SetFontName("Arial", 0);
    button.SetFontSize(85);
    button.SetFontBold(true);
    button.EnableImageRebuild();
}
