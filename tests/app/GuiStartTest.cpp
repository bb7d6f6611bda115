#include <gtest/gtest.h>

#include "app/GuiStart.h"

namespace tv {
namespace {

TEST(GuiStartTest, XftDpiIsTheLastValidSettingAndNothingElse) {
    EXPECT_EQ(GuiStart::xftDpi(""), 0);
    EXPECT_EQ(GuiStart::xftDpi("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192);
    // Later settings win; a value that is no number, or not above 0, counts as none.
    EXPECT_EQ(GuiStart::xftDpi("Xft.dpi:\t96\nXft.dpi:\t144\n"), 144);
    EXPECT_EQ(GuiStart::xftDpi("Xft.dpi:\tlarge\n"), 0);
    EXPECT_EQ(GuiStart::xftDpi("Xft.dpi:\t-96\n"), 0);
    // Only the resource itself, not one that merely ends in it or names it in a comment.
    EXPECT_EQ(GuiStart::xftDpi("Other.Xft.dpi:\t192\n! Xft.dpi:\t192\n"), 0);
    EXPECT_EQ(GuiStart::xftDpi("Xft.dpi:\t120"), 120);
}

TEST(GuiStartTest, FramesGoInRequestsOnlyBelowOneAndAHalfPixelsPerPoint) {
    EXPECT_TRUE(GuiStart::framesInRequests("", "", ""));
    EXPECT_TRUE(GuiStart::framesInRequests("Xft.dpi:\t120\n", "", ""));
    EXPECT_FALSE(GuiStart::framesInRequests("Xft.dpi:\t144\n", "", ""));
    EXPECT_FALSE(GuiStart::framesInRequests("Xft.dpi:\t192\n", "", ""));
    EXPECT_FALSE(GuiStart::framesInRequests("", "2", ""));
    EXPECT_TRUE(GuiStart::framesInRequests("Xft.dpi:\t192\n", "0.5", ""));
    // A scale the program cannot read, or one set per screen, keeps the toolkit's way.
    EXPECT_FALSE(GuiStart::framesInRequests("", "big", ""));
    EXPECT_FALSE(GuiStart::framesInRequests("", "0", ""));
    EXPECT_FALSE(GuiStart::framesInRequests("", "", "1;2"));
}

}  // namespace
}  // namespace tv
