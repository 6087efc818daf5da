#include "ui/window_placement.h"

#include <gtest/gtest.h>

TEST(CenteredOrigin, HalvesRoundTowardZero)
{
    const WindowOrigin splash = CenteredOrigin(1280, 1024, 550, 280);
    EXPECT_EQ(splash.left, 365);
    EXPECT_EQ(splash.top, 372);
    // Each half is rounded on its own: 1281 / 2 - 551 / 2 = 640 - 275.
    const WindowOrigin odd = CenteredOrigin(1281, 1023, 551, 281);
    EXPECT_EQ(odd.left, 365);
    EXPECT_EQ(odd.top, 371);
}

TEST(CenteredOrigin, WindowLargerThanTheScreenStartsBeforeItsEdge)
{
    const WindowOrigin wide = CenteredOrigin(800, 600, 1001, 601);
    EXPECT_EQ(wide.left, 400 - 500);
    EXPECT_EQ(wide.top, 300 - 300);
    const WindowOrigin huge = CenteredOrigin(640, 480, 4000, 3000);
    EXPECT_EQ(huge.left, -1680);
    EXPECT_EQ(huge.top, -1260);
}
