#include "core/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tv {
namespace {

TEST(Format, PercentRoundsHalfAwayFromZero) {
    EXPECT_EQ(Format::percent(0.125), "13%");
    EXPECT_EQ(Format::percent(0), "0%");
    EXPECT_EQ(Format::percent(1), "100%");
    EXPECT_EQ(Format::percent(0.004), "0%");
    EXPECT_EQ(Format::percent(-0.004), "0%");  // never "-0%"
    EXPECT_EQ(Format::percent(std::nan("")), "0%");
    EXPECT_EQ(Format::percent(2.5), "250%");
}

TEST(Format, BytesSwitchToGigabytesAtOneBinaryGigabyte) {
    EXPECT_EQ(Format::bytes(1'073'741'824), "1.0 GB");
    EXPECT_EQ(Format::bytes(1'073'741'823), "1023 MB");
    EXPECT_EQ(Format::bytes(3'435'973'837), "3.2 GB");
    EXPECT_EQ(Format::bytes(0), "0 MB");
    EXPECT_EQ(Format::bytes(1'048'575), "0 MB");  // truncated, not rounded
    // 1.25 GiB is a tie in tenths: half away from zero, not the C library's ties-to-even.
    EXPECT_EQ(Format::bytes(1'342'177'280), "1.3 GB");
    EXPECT_EQ(Format::bytes(std::numeric_limits<std::uint64_t>::max()), "17179869184.0 GB");
}

TEST(Format, RatesUseDecimalUnitsAndNeverShowOneHundredPointZero) {
    EXPECT_EQ(Format::rate(944'000), "944 KB/s");
    EXPECT_EQ(Format::rate(99'940'000), "99.9 MB/s");
    EXPECT_EQ(Format::rate(99'950'000), "100 MB/s");
    EXPECT_EQ(Format::rate(120'500'000), "121 MB/s");
    EXPECT_EQ(Format::rate(999'500), "1000 KB/s");
    EXPECT_EQ(Format::rate(1'000'000), "1.0 MB/s");
    EXPECT_EQ(Format::rate(0), "0 KB/s");
    EXPECT_EQ(Format::rate(-5000), "0 KB/s");
}

TEST(Format, Bitrates) {
    EXPECT_EQ(Format::bitrate(117'108'816), "117 Mbps");
    EXPECT_EQ(Format::bitrate(1'408'701'600), "1.4 Gbps");
    EXPECT_EQ(Format::bitrate(999'999'999), "1000 Mbps");
    EXPECT_EQ(Format::bitrate(1'000'000'000), "1.0 Gbps");
}

TEST(Format, TemperatureInEitherUnit) {
    EXPECT_EQ(Format::temperature(std::nullopt, false), "\u2013");
    EXPECT_EQ(Format::temperature(std::nullopt, true), "\u2013");
    EXPECT_EQ(Format::temperature(36.5, false), "37\u00B0");
    EXPECT_EQ(Format::temperature(36.5, true), "98\u00B0");  // 97.7
    EXPECT_EQ(Format::temperature(-0.4, false), "0\u00B0");
    EXPECT_EQ(Format::temperature(-40, true), "-40\u00B0");
}

TEST(Format, FahrenheitFollowsThePreferenceThenTheLocale) {
    EXPECT_TRUE(Format::fahrenheit(std::string("Fahrenheit"), false));
    EXPECT_FALSE(Format::fahrenheit(std::string("Celsius"), true));
    EXPECT_TRUE(Format::fahrenheit(std::nullopt, true));
    EXPECT_FALSE(Format::fahrenheit(std::nullopt, false));
    EXPECT_TRUE(Format::fahrenheit(std::string("fahrenheit"), true));  // exact text only
    EXPECT_FALSE(Format::fahrenheit(std::string("Kelvin"), false));
}

TEST(Format, Uptime) {
    Date boot = dateFromSeconds(1'000'000);
    auto after = [&](double minutes) { return Format::uptime(boot, boot + Seconds(minutes * 60)); };
    EXPECT_EQ(after(59), "Up 59 min");
    EXPECT_EQ(after(59.99), "Up 59 min");
    EXPECT_EQ(after(61), "Up 1 hr 1 min");
    EXPECT_EQ(after(1439), "Up 23 hr 59 min");
    EXPECT_EQ(after(1500), "Up 1 day 1 hr");
    EXPECT_EQ(after(3000), "Up 2 days 2 hr");
    EXPECT_EQ(after(0), "Up 0 min");
    EXPECT_EQ(after(-5), "Up 0 min");  // a clock set back
}

}  // namespace
}  // namespace tv
