#include "app/window_position.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, CentredWithEachOperandHalvedOnItsOwn)
{
    const WindowPosition hd = centredWindowPosition(1920, 1080, 640, 480);
    EXPECT_EQ(hd.x, 640);
    EXPECT_EQ(hd.y, 300);
    const WindowPosition laptop = centredWindowPosition(1366, 768, 640, 480);
    EXPECT_EQ(laptop.x, 363);
    EXPECT_EQ(laptop.y, 144);
    const WindowPosition odd = centredWindowPosition(1001, 801, 641, 481);
    EXPECT_EQ(odd.x, 500 - 320);
    EXPECT_EQ(odd.y, 400 - 240);
    // A screen smaller than the window gives a negative position, passed on unchanged.
    const WindowPosition small = centredWindowPosition(320, 200, 640, 480);
    EXPECT_EQ(small.x, -160);
    EXPECT_EQ(small.y, -140);
}
