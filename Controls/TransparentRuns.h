// The horizontal runs of an image's not fully opaque pixels, row by row: what is cut out of the
// image's rectangle to leave the region of its opaque pixels.
#pragma once

#include <cstdint>

constexpr std::uint32_t OPAQUE_ALPHA = 255;

// Calls cut(left, y, right) for every run [left, right) of row y whose pixels have alpha below
// 255. argbAt(x, y, argb) reads a pixel and returns false when the read fails; a pixel that
// cannot be read counts as opaque. Column `width` counts as opaque, so every run ends by the end
// of its row and no run crosses into the next one.
template <typename PixelReader, typename Cut>
void ForEachTransparentRun(std::uint32_t width, std::uint32_t height, PixelReader argbAt, Cut cut) {
    bool inside = false;
    std::int64_t start = -1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x <= width; ++x) {
            bool transparent = false;
            if (x < width) {
                std::uint32_t argb = 0;
                if (!argbAt(x, y, argb))
                    argb = 0xFF000000u;
                transparent = (argb >> 24) < OPAQUE_ALPHA;
            }
            if (transparent == inside)
                continue;
            if (transparent) {
                start = x;
                inside = true;
            } else {
                cut(static_cast<std::uint32_t>(start), y, x);
                inside = false;
            }
        }
    }
}
