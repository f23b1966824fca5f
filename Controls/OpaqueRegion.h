// The region of an image's fully opaque pixels: its rectangle less every transparent run.
#pragma once

#include <windows.h>

#include "Controls/TransparentRuns.h"
#include "framework/Gdi.h"

// `argbAt(x, y, argb)` reads a pixel, false when it cannot (the pixel then counts as opaque).
// The caller owns the region.
template <typename PixelReader>
HRGN OpaqueRegion(std::uint32_t width, std::uint32_t height, PixelReader argbAt) {
    HRGN region = CreateRectRgn(0, 0, static_cast<int>(width), static_cast<int>(height));
    CRgn run;
    ForEachTransparentRun(width, height, argbAt,
                          [&](std::uint32_t left, std::uint32_t y, std::uint32_t right) {
                              if (run.CreateRectRgn(static_cast<int>(left), static_cast<int>(y),
                                                    static_cast<int>(right), static_cast<int>(y) + 1))
                                  CombineRgn(region, region, run, RGN_DIFF);
                          });
    return region;
}
