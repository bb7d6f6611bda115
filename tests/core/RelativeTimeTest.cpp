#include "core/RelativeTime.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(RelativeTimeTest, LargestWholeUnitNamedWhereEnglishNamesIt) {
    const Date now = dateFromSeconds(1'000'000'000);
    auto ago = [&](double seconds) {
        return Format::relativeTime(dateFromSeconds(1'000'000'000 - seconds), now);
    };
    EXPECT_EQ(ago(0), "now");
    EXPECT_EQ(ago(0.9), "now");
    EXPECT_EQ(ago(-30), "now");  // the clock was set back
    EXPECT_EQ(ago(1), "1 second ago");
    EXPECT_EQ(ago(59.9), "59 seconds ago");
    EXPECT_EQ(ago(60), "1 minute ago");
    EXPECT_EQ(ago(125), "2 minutes ago");
    EXPECT_EQ(ago(3 * 3600 + 5), "3 hours ago");
    EXPECT_EQ(ago(86'400 * 1.5), "yesterday");
    EXPECT_EQ(ago(86'400 * 4), "4 days ago");
    EXPECT_EQ(ago(86'400 * 8), "last week");
    EXPECT_EQ(ago(86'400 * 15), "2 weeks ago");
    EXPECT_EQ(ago(86'400 * 40), "last month");
    EXPECT_EQ(ago(86'400 * 160), "5 months ago");
    EXPECT_EQ(ago(86'400 * 400), "last year");
    EXPECT_EQ(ago(86'400 * 800), "2 years ago");
}

}  // namespace
}  // namespace tv
