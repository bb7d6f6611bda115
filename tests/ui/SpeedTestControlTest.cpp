#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "speedtest/SpeedTestRun.h"
#include "support/EventLoop.h"
#include "ui/controls/Buttons.h"
#include "ui/panel/SpeedTestControl.h"
#include "ui/panel/SpeedTestLine.h"

namespace tv {
namespace {

// A speed test whose stand-in tool answers with the contents of a file once the test
// writes that file.
class SpeedTestControlTest : public testing::Test {
  protected:
    void answer(const QByteArray& json) {
        QFile file(dir.filePath("answer.part"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
        file.close();
        file.rename(dir.filePath("answer"));
    }
    void finishWith(const QByteArray& json) {
        answer(json);
        ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
        QFile::remove(dir.filePath("answer"));
    }
    void press() {
        control.button().click();
        ASSERT_TRUE(run.started());
    }
    // Lets the widgets' own timers catch up with the clock.
    void after(double seconds) {
        now += seconds;
        test::spin(1.1, [] { return false; });
    }

    QTemporaryDir dir;
    double now = 50'000;
    std::function<Date()> clock = [this] { return dateFromSeconds(now); };
    SpeedTestRun run{SpeedTool{"/bin/sh",
                               {"-c", "cd '" + dir.path() +
                                          "'; while [ ! -e answer ]; do sleep 0.02; done; "
                                          "cat answer"}},
                     clock};
    SpeedTestControl control{run, clock};
    SpeedTestLine line{run, Vocabulary::forMac(), clock};
};

TEST_F(SpeedTestControlTest, ButtonThenCountingThenFiguresAndTheirAge) {
    control.show();
    line.show();
    EXPECT_EQ(control.text(), "Test speed");
    EXPECT_EQ(line.text(), "Measure your internet speed with Apple's network test.");

    press();
    EXPECT_EQ(control.text(), "Testing 0s");
    EXPECT_FALSE(control.button().isVisibleTo(&control));
    after(7.4);
    EXPECT_EQ(control.text(), "Testing 7s");

    finishWith(R"({"dl_throughput": 117108816, "ul_throughput": 1408701600, "base_rtt": 67.5})");
    EXPECT_EQ(control.text(), "Test again");
    EXPECT_EQ(line.text(), "Download 117 Mbps Upload 1.4 Gbps Ping 68 ms now");
    after(125);
    EXPECT_EQ(line.text(), "Download 117 Mbps Upload 1.4 Gbps Ping 68 ms 2 minutes ago");
}

TEST_F(SpeedTestControlTest, AFailureShowsTheWarningAndKeepsTheButtonTrueToTheResult) {
    control.show();
    line.show();
    press();
    finishWith(R"({"error_code": -1})");
    EXPECT_EQ(line.text(), "Speed test failed. Check your connection.");
    EXPECT_EQ(control.text(), "Test speed");

    press();
    // A new run clears the failure.
    EXPECT_EQ(line.text(), "Measure your internet speed with Apple's network test.");
    finishWith(R"({"dl_throughput": 2e6, "ul_throughput": 1e6})");
    press();
    finishWith("not json");
    EXPECT_EQ(line.text(), "Speed test failed. Check your connection.");
    EXPECT_EQ(control.text(), "Test again");
}

TEST(SpeedTestLineTest, ThePlatformNamesItsNetworkTest) {
    SpeedTestRun run(SpeedTool{}, [] { return Date(); });
    SpeedTestLine line(run, Vocabulary::forLinux(), [] { return Date(); });
    EXPECT_EQ(line.text(), "Measure your internet speed with a network test.");
}

}  // namespace
}  // namespace tv
