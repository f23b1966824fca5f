// Dialog-unit arithmetic: font heights, base units, and dialog units to pixels.
#pragma once

// Font height in pixels (negative: character height) of `points` at `pixelsPerInch`.
inline int FontHeightForPoints(int points, double pixelsPerInch) {
    return -static_cast<int>(points * pixelsPerInch / 72.0 + 0.5);
}

// The horizontal base unit from the width of "a".."z" "A".."Z" (52 letters) in pixels.
inline int HorizontalBaseUnit(int width52) {
    return (width52 / 26 + 1) / 2;
}

inline int DialogUnitsToPixelsX(int units, int baseX) {
    return static_cast<int>(units * baseX * 0.25 + 0.5);
}

inline int DialogUnitsToPixelsY(int units, int baseY) {
    return static_cast<int>(units * baseY * 0.125 + 0.5);
}
