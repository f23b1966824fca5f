// The runs cut out of an image's rectangle to leave its opaque pixels.
#include "Controls/TransparentRuns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Cut {
    std::uint32_t left, y, right;
    bool operator==(const Cut& o) const { return left == o.left && y == o.y && right == o.right; }
};

// Rows of characters: '#' opaque (alpha 255), '.' transparent (0), '+' alpha 254, '?' unreadable.
std::vector<Cut> RunsOf(const std::vector<std::string>& rows, std::uint32_t width) {
    std::vector<Cut> runs;
    ForEachTransparentRun(
        width, static_cast<std::uint32_t>(rows.size()),
        [&](std::uint32_t x, std::uint32_t y, std::uint32_t& argb) {
            const char c = rows[y][x];
            if (c == '?')
                return false;
            argb = c == '#' ? 0xFF123456u : c == '+' ? 0xFE123456u : 0x00123456u;
            return true;
        },
        [&](std::uint32_t left, std::uint32_t y, std::uint32_t right) {
            runs.push_back({left, y, right});
        });
    return runs;
}

} // namespace

TEST(TransparentRuns, EveryRunOfPixelsBelowFullAlphaWithinARow) {
    const struct {
        std::vector<std::string> rows;
        std::uint32_t width;
        std::vector<Cut> runs;
    } cases[] = {
        {{"####", "####"}, 4, {}},                     // opaque: everything kept
        {{"...", "..."}, 3, {{0, 0, 3}, {0, 1, 3}}},   // transparent: each row cut whole
        {{"#+#"}, 3, {{1, 0, 2}}},                     // alpha 254 is cut
        {{"##..", "..##"}, 4, {{2, 0, 4}, {0, 1, 2}}}, // runs end at the row and never cross it
        {{"..#.."}, 5, {{0, 0, 2}, {3, 0, 5}}},        // one opaque pixel splits a run
        {{".?."}, 3, {{0, 0, 1}, {2, 0, 3}}},          // unreadable pixels count as opaque
        {{}, 5, {}},
        {{"", ""}, 0, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(RunsOf(cases[i].rows, cases[i].width), cases[i].runs) << "case " << i;
}
