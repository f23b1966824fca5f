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

TEST(TransparentRuns, OpaqueImageKeepsEverything) {
    EXPECT_TRUE(RunsOf({"####", "####"}, 4).empty());
}

TEST(TransparentRuns, TransparentImageCutsEveryRowWhole) {
    EXPECT_EQ(RunsOf({"...", "..."}, 3), (std::vector<Cut>{{0, 0, 3}, {0, 1, 3}}));
}

TEST(TransparentRuns, AlphaBelow255IsCut) {
    EXPECT_EQ(RunsOf({"#+#"}, 3), (std::vector<Cut>{{1, 0, 2}}));
}

TEST(TransparentRuns, RunsEndAtTheRowAndNeverCrossIt) {
    // The last pixel of row 0 and the first of row 1 are both transparent: two runs.
    EXPECT_EQ(RunsOf({"##..", "..##"}, 4), (std::vector<Cut>{{2, 0, 4}, {0, 1, 2}}));
}

TEST(TransparentRuns, OneOpaquePixelSplitsARun) {
    EXPECT_EQ(RunsOf({"..#.."}, 5), (std::vector<Cut>{{0, 0, 2}, {3, 0, 5}}));
}

TEST(TransparentRuns, UnreadablePixelsCountAsOpaque) {
    EXPECT_EQ(RunsOf({".?."}, 3), (std::vector<Cut>{{0, 0, 1}, {2, 0, 3}}));
}

TEST(TransparentRuns, EmptyImageHasNoRuns) {
    EXPECT_TRUE(RunsOf({}, 5).empty());
    EXPECT_TRUE(RunsOf({"", ""}, 0).empty());
}
