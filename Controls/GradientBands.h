// The bands of a horizontal two-colour gradient: at most `maxBands` solid bands, colours stepped
// in 8.8 fixed point.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

struct GradientBand {
    int left, right; // the band covers [left, right]; the last band ends at the rectangle's right
    std::uint8_t red, green, blue;
};

// Colours as 0x00BBGGRR.
inline std::vector<GradientBand> GradientBandsFor(int left, int right, std::uint32_t start, std::uint32_t end,
                                                  int maxBands = 100) {
    std::vector<GradientBand> bands;
    const int width = right - left;
    const int count = std::min(maxBands, width);
    const int divisor = count > 1 ? count : 1;
    auto channel = [](std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); };
    const int dR = ((channel(end, 0) - channel(start, 0)) * 256) / divisor;
    const int dG = ((channel(end, 8) - channel(start, 8)) * 256) / divisor;
    const int dB = ((channel(end, 16) - channel(start, 16)) * 256) / divisor;
    int r = channel(start, 0) * 256, g = channel(start, 8) * 256, b = channel(start, 16) * 256;
    const int bandWidth = width / divisor;
    int x = left;
    for (int i = 0; i < count; ++i) {
        const int xEnd = i == count - 1 ? right : x + bandWidth;
        bands.push_back({x, xEnd, static_cast<std::uint8_t>(r / 256), static_cast<std::uint8_t>(g / 256),
                         static_cast<std::uint8_t>(b / 256)});
        r += dR;
        g += dG;
        b += dB;
        x = xEnd;
    }
    return bands;
}
