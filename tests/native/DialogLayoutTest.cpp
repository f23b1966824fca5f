// Dialog-unit arithmetic and the drag limits of skinned dialogs.
#include "Controls/DialogUnits.h"
#include "Controls/DragLimits.h"

#include <gtest/gtest.h>

TEST(DialogUnits, FontHeightsAtNinetySixPixelsPerInchBaseUnitsAndControlRectangles) {
    EXPECT_EQ(FontHeightForPoints(8, 96.0), -11);
    EXPECT_EQ(FontHeightForPoints(9, 96.0), -12);
    EXPECT_EQ(FontHeightForPoints(12, 96.0), -16);
    // Base units and control rectangles.
    EXPECT_EQ(HorizontalBaseUnit(286), 6);
    EXPECT_EQ(HorizontalBaseUnit(0), 0);
    EXPECT_EQ(DialogUnitsToPixelsX(73, 6), 110);
    EXPECT_EQ(DialogUnitsToPixelsY(16, 13), 26);
    // The main window's title label: 48, 14, 198, 17 dialog units.
    EXPECT_EQ(DialogUnitsToPixelsX(48, 6), 72);
    EXPECT_EQ(DialogUnitsToPixelsY(14, 13), 23);
    EXPECT_EQ(DialogUnitsToPixelsX(198, 6), 297);
    EXPECT_EQ(DialogUnitsToPixelsY(17, 13), 28);
}

TEST(DragLimits, StepsStopWithinTheMarginOfTheTopAndTheBottomForAllButSmallDialogs) {
    const DragRect work{0, 0, 1280, 1000};
    // Moving up by 150 would leave the bottom at 73: allowed. By 190: 33 from the top, refused.
    EXPECT_FALSE(DragStepRefused({100, 10, 546, 223}, work, 100, -50));
    EXPECT_TRUE(DragStepRefused({100, 10, 546, 223}, work, 100, -90));
    // From there, moving down is allowed at once.
    EXPECT_FALSE(DragStepRefused({100, -180, 546, 33}, work, 100, 101));
    EXPECT_TRUE(DragStepRefused({100, -180, 546, 33}, work, 100, 100));

    EXPECT_FALSE(DragStepRefused({100, 900, 546, 1113}, work, 100, 130));
    EXPECT_TRUE(DragStepRefused({100, 900, 546, 1113}, work, 100, 170));
    EXPECT_FALSE(DragStepRefused({100, 970, 546, 1183}, work, 100, 99));

    EXPECT_FALSE(DragStepRefused({0, 0, 35, 300}, work, 100, -500));
    EXPECT_FALSE(DragStepRefused({0, 0, 300, 35}, work, 100, 5000));
}
