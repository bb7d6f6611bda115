#include "speedtest/SpeedTool.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "speedtest/SpeedTestRun.h"
#include "support/EventLoop.h"

namespace tv {
namespace {

const Date at = dateFromSeconds(1'000);

// A stand-in tool: a shell command instead of the network-quality program.
SpeedTool shellTool(const QString& command) {
    return SpeedTool{"/bin/sh", {"-c", command}};
}

std::optional<SpeedResult> parse(const char* output) {
    return SpeedTool::parse(QByteArray(output), at);
}

TEST(SpeedToolTest, ReadsTheThreeFiguresOfAnOutput) {
    auto r = parse(R"({"dl_throughput": 117108816, "ul_throughput": 1408701600,
                       "base_rtt": 67.9, "other": {}})");
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, (SpeedResult{117'108'816, 1'408'701'600, 67.9, at}));

    EXPECT_EQ(parse(R"({"dl_throughput": 5, "ul_throughput": 7})")->ping, 0);
    EXPECT_EQ(parse(R"({"dl_throughput": 5, "ul_throughput": 7, "base_rtt": "12"})")->ping, 0);
    EXPECT_EQ(parse(R"({"dl_throughput": 5, "ul_throughput": 7, "base_rtt": -3})")->ping, 0);
    // One direction measuring nothing still is a result.
    EXPECT_EQ(parse(R"({"dl_throughput": 0, "ul_throughput": 5})")->up, 5);
    // Huge but finite figures are figures.
    EXPECT_EQ(parse(R"({"dl_throughput": 1e300, "ul_throughput": 1})")->down, 1e300);
}

TEST(SpeedToolTest, AnythingButAMeasurementIsNoResult) {
    for (const char* output : {
             R"({"error_code": -1})",
             R"({"error_code": -1, "error_domain": "network", "error_message": "down"})",
             R"({"dl_throughput": 0, "ul_throughput": 0})",
             R"({"dl_throughput": 5})",
             R"({"dl_throughput": "5", "ul_throughput": 5})",
             R"({"dl_throughput": null, "ul_throughput": 5})",
             R"({"dl_throughput": -5, "ul_throughput": 5})",
             R"({"dl_throughput": 1e999, "ul_throughput": 5})",
             R"({"dl_throughput": NaN, "ul_throughput": 5})",
             R"({"dl_throughput": Infinity, "ul_throughput": 5})",
             R"({"dl_throughput": 117108816, "ul_throughput": 14087)",
             R"([{"dl_throughput": 1, "ul_throughput": 1}])",
             R"("dl_throughput")",
             "",
             "dl_throughput: 1\nul_throughput: 1\n",
         }) {
        EXPECT_FALSE(parse(output)) << output;
    }
}

TEST(SpeedToolTest, TheSystemToolWinsOverOurs) {
    QTemporaryDir dir;
    QString system = dir.filePath("networkQuality");
    EXPECT_EQ(SpeedTool::find("/opt/tv", system).program, "/opt/tv/tallyvane-netquality");
    QFile file(system);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // Present but not executable: not a tool.
    EXPECT_EQ(SpeedTool::find("/opt/tv", system).program, "/opt/tv/tallyvane-netquality");
    file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    SpeedTool tool = SpeedTool::find("/opt/tv", system);
    EXPECT_EQ(tool.program, system);
    EXPECT_EQ(tool.arguments, (QStringList{"-c", "-M", "15"}));
    // The system tool has no configuration option: an address given for ours leaves it be.
    EXPECT_FALSE(tool.useConfiguration("http://127.0.0.1:8080/config"));
    EXPECT_EQ(tool.arguments, (QStringList{"-c", "-M", "15"}));

    SpeedTool ours = SpeedTool::find("/opt/tv", dir.filePath("absent"));
    for (const char* unusable :
         {"", "config.json", "file:///etc/passwd", "ftp://host/c", "http://"}) {
        EXPECT_FALSE(ours.useConfiguration(unusable)) << unusable;
    }
    EXPECT_TRUE(ours.useConfiguration("http://127.0.0.1:8080/config"));
    EXPECT_EQ(ours.arguments,
              (QStringList{"-c", "-M", "15", "-C", "http://127.0.0.1:8080/config"}));
}

TEST(SpeedToolTest, MeasureWaitsForTheToolAndReadsItsOutput) {
    auto clock = [] { return at; };
    auto r =
        shellTool("sleep 0.2; echo '{\"dl_throughput\": 8, \"ul_throughput\": 9}'").measure(clock);
    EXPECT_EQ(r, (SpeedResult{8, 9, 0, at}));
    EXPECT_FALSE(SpeedTool{"/nonexistent/tool"}.measure(clock));
    EXPECT_FALSE(shellTool("echo '{\"error_code\": -1}'; exit 1").measure(clock));
    EXPECT_FALSE(shellTool("exec yes").measure(clock));  // a flood of output is no result
}

class SpeedTestRunTest : public testing::Test {
  protected:
    std::function<Date()> clock = [this] { return dateFromSeconds(now); };
    double now = 5'000;
};

TEST_F(SpeedTestRunTest, OneRunAtATimeThenItsResult) {
    QTemporaryDir dir;
    QString count = dir.filePath("runs");
    SpeedTestRun run(
        shellTool("echo run >> '" + count + "'; sleep 0.3; echo '{\"dl_throughput\": " +
                  "2e6, \"ul_throughput\": 1e6, \"base_rtt\": 9}'"),
        clock);
    QSignalSpy started(&run, &SpeedTestRun::startedChanged);
    run.run();
    EXPECT_EQ(run.started(), dateFromSeconds(5'000));
    now = 5'001;
    run.run();  // pressed again while running
    EXPECT_EQ(run.started(), dateFromSeconds(5'000));
    ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
    EXPECT_EQ(run.result(), (SpeedResult{2e6, 1e6, 9, dateFromSeconds(5'001)}));
    EXPECT_FALSE(run.failed());
    EXPECT_EQ(started.count(), 2);
    QFile runs(count);
    ASSERT_TRUE(runs.open(QIODevice::ReadOnly));
    EXPECT_EQ(runs.readAll(), "run\n");
}

TEST_F(SpeedTestRunTest, AFailedRunKeepsTheLastResultAndTheNextClearsTheFailure) {
    QTemporaryDir dir;
    QString answer = dir.filePath("answer");
    auto answerWith = [&](const QByteArray& json) {
        QFile file(answer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    };
    SpeedTestRun run(shellTool("cat '" + answer + "'"), clock);
    answerWith(R"({"dl_throughput": 3e6, "ul_throughput": 1e6})");
    run.run();
    ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
    std::optional<SpeedResult> good = run.result();
    ASSERT_TRUE(good);

    answerWith(R"({"error_code": -1})");
    run.run();
    ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
    EXPECT_TRUE(run.failed());
    EXPECT_EQ(run.result(), good);

    answerWith(R"({"dl_throughput": 4e6, "ul_throughput": 1e6})");
    run.run();
    EXPECT_FALSE(run.failed());
    ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
    EXPECT_FALSE(run.failed());
    EXPECT_EQ(run.result()->down, 4e6);
}

TEST_F(SpeedTestRunTest, AToolFloodingItsOutputIsStoppedAndFails) {
    SpeedTestRun run(shellTool("exec yes"), clock);
    run.run();
    ASSERT_TRUE(test::spin(10, [&] { return !run.started(); }));
    EXPECT_TRUE(run.failed());
}

TEST_F(SpeedTestRunTest, AMissingToolFailsAtOnce) {
    SpeedTestRun run(SpeedTool{"/nonexistent/tallyvane-netquality"}, clock);
    QSignalSpy failed(&run, &SpeedTestRun::failedChanged);
    run.run();
    // Before the event loop has run a second time: no waiting on a tool that is not there.
    ASSERT_TRUE(test::spin(1, [&] { return run.failed(); }));
    EXPECT_FALSE(run.started());
    EXPECT_FALSE(run.result());
}

// A tool that never ends (hung on a dead network, or ignoring its own -M) is ended at the
// run's bound: the run fails, and the next one can start.
TEST_F(SpeedTestRunTest, AToolThatOverrunsItsBoundIsEndedAndTheRunFails) {
    QTemporaryDir dir;
    for (const char* ignoring : {"", "trap '' TERM; "}) {
        QString pidFile = dir.filePath("pid");
        QFile::remove(pidFile);
        SpeedTool tool = shellTool(QString::fromLatin1(ignoring) + "echo $$ > '" + pidFile +
                                   "'; echo '{\"dl_throughput\": 1'; exec sleep 600");
        tool.boundMs = 1'500;
        SpeedTestRun run(tool, clock);
        QElapsedTimer timer;
        timer.start();
        run.run();
        ASSERT_TRUE(test::spin(10, [&] { return !run.started(); })) << ignoring;
        EXPECT_GE(timer.elapsed(), 1'400) << ignoring;
        EXPECT_LT(timer.elapsed(), 5'000) << ignoring;
        EXPECT_TRUE(run.failed()) << ignoring;
        EXPECT_FALSE(run.result());

        QFile file(pidFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString proc = QString("/proc/%1").arg(file.readAll().trimmed().toInt());
        EXPECT_TRUE(test::spin(SpeedTestRun::killAfterMs / 1000.0 + 3,
                               [&] { return !QFile::exists(proc); }))
            << "the tool is gone " << ignoring;

        run.run();
        EXPECT_TRUE(run.started()) << "a new run starts";
    }
    SpeedTool hung = shellTool("exec sleep 600");
    hung.boundMs = 800;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(hung.measure([] { return at; }));
    EXPECT_LT(timer.elapsed(), 3'000);
}

TEST_F(SpeedTestRunTest, ATestStillRunningEndsWithItsOwner) {
    QTemporaryDir dir;
    QString pidFile = dir.filePath("pid");
    {
        SpeedTestRun run(shellTool("echo $$ > '" + pidFile + "'; exec sleep 30"), clock);
        run.run();
        ASSERT_TRUE(test::spin(5, [&] { return QFile(pidFile).size() > 0; }));
    }
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int pid = file.readAll().trimmed().toInt();
    EXPECT_FALSE(QFile::exists(QString("/proc/%1").arg(pid)));
}

}  // namespace
}  // namespace tv
