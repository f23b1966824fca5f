// Where a progress bar's fill ends.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

// The share of the range covered, 0 to 100, truncated.
inline int ProgressPercent(int position, int lower, int range) {
    if (range <= 0)
        return 0;
    const double share = (static_cast<double>(position) - lower) * 100.0 / range;
    const int percent = static_cast<int>(share);
    return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

// Pixels of a bar `extent` pixels long that `percent` fills: the ceiling of extent × percent / 100.
inline int ProgressFill(int extent, int percent) {
    return static_cast<int>(std::ceil(static_cast<float>(extent * percent) / 100.0f));
}
