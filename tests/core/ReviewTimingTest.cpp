#include "core/ReviewTiming.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

constexpr double day = 86400;

TEST(ReviewTimingTest, WithoutAStoredFirstLaunchUseStartsNow) {
    ReviewTiming fresh;
    EXPECT_FALSE(fresh.askDue(dateFromSeconds(1e9)));
}

TEST(ReviewTimingTest, OneNotNowWithoutItsTimeCountsAsLongAgoAndStrangeCountsAreSafe) {
    ReviewTiming timing{dateFromSeconds(0), 0, 1, 0};
    EXPECT_TRUE(timing.askDue(dateFromSeconds(8 * day)));
    timing.notNow = -3;  // a malformed count: as if never pressed
    EXPECT_TRUE(timing.askDue(dateFromSeconds(8 * day)));
    timing.notNow = 7;
    EXPECT_FALSE(timing.askDue(dateFromSeconds(800 * day)));
    timing = {dateFromSeconds(0), -1, 0, 0};  // any stored rating means one was sent
    EXPECT_FALSE(timing.askDue(dateFromSeconds(8 * day)));
}

}  // namespace
}  // namespace tv
