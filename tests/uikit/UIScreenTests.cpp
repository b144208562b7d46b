#include <uikit/UIScreen.hpp>

#include <gtest/gtest.h>

#include <limits>

// Catches a default device other than 390 x 844 at scale 3, a size change that holders of the
// screen don't see, and sizes that would give a renderer an unbounded or meaningless canvas.
TEST(UIScreen, DefaultDeviceAndSizeChanges)
{
    auto screen = UIScreen::mainScreen();
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 390, 844));
    EXPECT_EQ(screen->scale(), 3.0);
    ASSERT_TRUE(UIScreen::setMainScreenSize(CGSizeMake(320, 568), 2));
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(screen->scale(), 2.0);
    EXPECT_FALSE(UIScreen::setMainScreenSize(CGSizeMake(0, 568), 2));
    EXPECT_FALSE(UIScreen::setMainScreenSize(CGSizeMake(320, std::numeric_limits<double>::quiet_NaN()), 2));
    EXPECT_FALSE(UIScreen::setMainScreenSize(CGSizeMake(320, 568), 0));
    EXPECT_FALSE(UIScreen::setMainScreenSize(CGSizeMake(10000, 568), 3));
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 320, 568));
    ASSERT_TRUE(UIScreen::setMainScreenSize(CGSizeMake(390, 844), 3));
}
