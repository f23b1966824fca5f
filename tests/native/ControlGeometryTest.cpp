// The pure arithmetic of the controls: progress fill, gradient bands, multi-line captions.
#include "Controls/ButtonTextLayout.h"
#include "Controls/GradientBands.h"
#include "Controls/ProgressGeometry.h"

#include <gtest/gtest.h>

TEST(ProgressGeometry, FillOfA296PixelBarForTheShareOfTheRangeCovered) {
    EXPECT_EQ(ProgressFill(296, ProgressPercent(0, 0, 100)), 0);
    EXPECT_EQ(ProgressFill(296, ProgressPercent(1, 0, 100)), 3);
    EXPECT_EQ(ProgressFill(296, ProgressPercent(50, 0, 100)), 148);
    EXPECT_EQ(ProgressFill(296, ProgressPercent(99, 0, 100)), 294);
    EXPECT_EQ(ProgressFill(296, ProgressPercent(100, 0, 100)), 296);
    // The percentage is the share of the range covered.
    EXPECT_EQ(ProgressPercent(-50, -100, 100), 50);
    // A positive lower end counts from the lower end, never beyond the range.
    EXPECT_EQ(ProgressPercent(60, 50, 50), 20);
    EXPECT_EQ(ProgressPercent(100, 50, 50), 100);
    EXPECT_EQ(ProgressPercent(7, 7, 1), 0);
    EXPECT_EQ(ProgressPercent(500, 0, 100), 100);
    EXPECT_EQ(ProgressPercent(-5, 0, 100), 0);
    EXPECT_EQ(ProgressPercent(5, 0, 0), 0);
}

TEST(GradientBands, TwoPixelBandsOverWideLabelsOnePixelOverNarrowOnes) {
    const auto bands = GradientBandsFor(0, 200, 0x000000, 0x0000FF);
    ASSERT_EQ(bands.size(), 100u);
    EXPECT_EQ(bands[0].red, 0);
    EXPECT_EQ(bands[1].red, 2);
    EXPECT_EQ(bands[2].red, 5);
    EXPECT_EQ(bands[3].red, 7);
    EXPECT_EQ(bands[99].red, 252);
    EXPECT_EQ(bands[0].left, 0);
    EXPECT_EQ(bands[0].right, 2);
    EXPECT_EQ(bands[99].right, 200);
    for (const auto& band : bands) {
        EXPECT_EQ(band.green, 0);
        EXPECT_EQ(band.blue, 0);
    }
    // Narrow labels get one band per column.
    const auto narrow = GradientBandsFor(10, 60, 0xFF0000, 0x000000);
    ASSERT_EQ(narrow.size(), 50u);
    EXPECT_EQ(narrow[0].blue, 255);
    EXPECT_EQ(narrow[1].left, 11);
    EXPECT_EQ(narrow[49].right, 60);
    EXPECT_TRUE(GradientBandsFor(0, 0, 0, 0xFFFFFF).empty());
}

TEST(ButtonTextLayout, LineFeedsAndWrappedPiecesCountAsLines) {
    EXPECT_EQ(EstimateLineCount({}, 100), 1);
    EXPECT_EQ(EstimateLineCount({40}, 100), 2);
    EXPECT_EQ(EstimateLineCount({40, 250}, 100), 5);
    EXPECT_EQ(EstimateLineCount({40}, 0), 2);
    // Two 13-pixel lines in a 44-pixel button start at 9.
    EXPECT_EQ(CentredTextTop(0, 44, 2, 13), 9);
    EXPECT_EQ(CentredTextTop(0, 20, 3, 13), -9);
}
