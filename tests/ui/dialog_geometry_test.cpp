#include "ui/dialog_geometry.h"

#include <gtest/gtest.h>

namespace kavri {
namespace {

TEST(DialogGeometry, CentresOverTheOwnerKeepingTheSize) {
    const ScreenPoint p = centredOrigin({200, 200, 700, 500}, {0, 0, 306, 131});
    EXPECT_EQ(p.x, 200 + (500 - 306) / 2);
    EXPECT_EQ(p.y, 200 + (300 - 131) / 2);  // 84: the odd pixel is dropped
}

TEST(DialogGeometry, LargerDialogTruncatesTowardZero) {
    // (100 - 105) / 2 is -2, not -3.
    const ScreenPoint p = centredOrigin({10, 20, 110, 120}, {500, 500, 605, 605});
    EXPECT_EQ(p.x, 8);
    EXPECT_EQ(p.y, 18);
}

TEST(DialogGeometry, NegativeOwnerPositions) {
    const ScreenPoint p = centredOrigin({-1000, -50, -500, 250}, {0, 0, 200, 100});
    EXPECT_EQ(p.x, -850);
    EXPECT_EQ(p.y, 50);
}

}  // namespace
}  // namespace kavri
