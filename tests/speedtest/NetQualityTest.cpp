// The network-quality tool against a real HTTP server, each run inside a private network
// namespace whose loopback is shaped with tc (root only).

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <unistd.h>

namespace {

struct Outcome {
    int status = -1;
    double seconds = 0;  // the tool's own run, start to exit
    QJsonObject json;
};

// Runs the tool with `toolArguments` ($PORT is the server's port) beside a server started
// with `serverOptions`, on a loopback shaped to `rate`.
Outcome run(const QString& rate, const QStringList& serverOptions, const QString& toolArguments,
            const QString& after = {}) {
    QString command = QStringLiteral(
                          "s=$(date +%s%N); \"$TV_TOOL\" %1 > \"$TV_OUT\" %2; status=$?; "
                          "echo \"$status $(( ($(date +%s%N) - s) / 1000000 ))\"")
                          .arg(toolArguments, after);
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TV_TOOL", TALLYVANE_NETQUALITY);
    QString out = QString("/tmp/tv-netquality-%1.json").arg(::getpid());
    environment.insert("TV_OUT", out);
    shell.setProcessEnvironment(environment);
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    shell.start(TALLYVANE_SHAPED_NET,
                QStringList{rate} + serverOptions + QStringList{"--", command});
    Outcome outcome;
    if (!shell.waitForFinished(60'000)) {
        shell.kill();
        shell.waitForFinished();
        return outcome;
    }
    QList<QByteArray> figures = shell.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() == 2) {
        outcome.status = figures[0].toInt();
        outcome.seconds = figures[1].toDouble() / 1000;
    }
    QFile file(out);
    if (file.open(QIODevice::ReadOnly)) {
        outcome.json = QJsonDocument::fromJson(file.readAll()).object();
        file.remove();
    }
    return outcome;
}

class NetQualityTest : public testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0 || QProcess::execute("unshare", {"-n", "true"}) != 0) {
            GTEST_SKIP() << "needs root to make a network namespace";
        }
    }

    static void expectFailure(const Outcome& o) {
        EXPECT_NE(o.status, 0);
        EXPECT_TRUE(o.json.value("error_code").isDouble()) << QJsonDocument(o.json).toJson().data();
        EXPECT_FALSE(o.json.value("error_domain").toString().isEmpty());
        EXPECT_FALSE(o.json.value("error_message").toString().isEmpty());
        EXPECT_FALSE(o.json.contains("dl_throughput"));
        EXPECT_FALSE(o.json.contains("ul_throughput"));
    }
};

TEST_F(NetQualityTest, MeasuresAShapedLinkAndItsLatency) {
    // A veth pair shaped at both ends: 50 Mbit/s each way at once.
    Outcome o = run("link:50mbit", {"--delay-ms", "30"}, "-c -M 10 -C http://$HOST:$PORT/config");
    ASSERT_EQ(o.status, 0) << QJsonDocument(o.json).toJson().data();
    EXPECT_NEAR(o.json["dl_throughput"].toDouble(), 50e6, 7.5e6);
    EXPECT_NEAR(o.json["ul_throughput"].toDouble(), 50e6, 7.5e6);
    EXPECT_GE(o.json["base_rtt"].toDouble(), 30);
    EXPECT_LT(o.json["base_rtt"].toDouble(), 300);
    EXPECT_GE(o.json["dl_flows"].toInt(), 4);
    EXPECT_LE(o.json["ul_flows"].toInt(), 16);
    EXPECT_GT(o.json["responsiveness"].toDouble(), 0);
    EXPECT_EQ(o.json["test_endpoint"].toString(), "10.77.0.2");
    EXPECT_LE(o.seconds, 10.5);
}

TEST_F(NetQualityTest, EndsWithinItsBoundHavingMeasuredBothDirectionsInTurn) {
    // Loopback carries both directions through one queue: one after the other, each has it.
    Outcome o = run("50mbit", {}, "-c -s -M 3 -C http://127.0.0.1:$PORT/config");
    EXPECT_EQ(o.status, 0);
    EXPECT_NEAR(o.json["dl_throughput"].toDouble(), 50e6, 15e6);
    EXPECT_NEAR(o.json["ul_throughput"].toDouble(), 50e6, 15e6);
    EXPECT_LE(o.seconds, 4);
}

TEST_F(NetQualityTest, AServerThatFailsGivesAnErrorAndNoThroughput) {
    // The configuration (in the older key names) is served; the data addresses answer 500.
    Outcome error =
        run("50mbit", {"--fail", "500", "--old-keys"}, "-c -M 5 -C http://127.0.0.1:$PORT/config");
    expectFailure(error);
    EXPECT_EQ(error.json["error_domain"].toString(), "http");
    EXPECT_EQ(error.json["error_code"].toInt(), 500);

    expectFailure(run("50mbit", {"--fail", "close"}, "-c -M 5 -C http://127.0.0.1:$PORT/config"));
    // Nobody listening, at the configuration or at the data addresses.
    expectFailure(run("none", {}, "-c -M 5 -C http://127.0.0.1:1/config"));
    expectFailure(run("none", {}, "-c -M 5 -C http://127.0.0.1:$PORT/small"));
}

// A configuration server that sends headers without end keeps the network's worker busy;
// the run still ends, with its failure, within its bound.
TEST_F(NetQualityTest, AServerSendingEndlessHeadersEndsTheRunWithinItsBound) {
    Outcome o = run("none", {"--endless-headers"}, "-c -M 2 -C http://127.0.0.1:$PORT/config");
    expectFailure(o);
    EXPECT_LE(o.seconds, 2.5);
}

// On a link faster than the cap allows for, each direction stops at the cap: what it read or
// sent is never more.
TEST_F(NetQualityTest, NoDirectionMovesMoreThanItsCap) {
    const double cap = 30e6;
    for (int i = 0; i < 3; ++i) {
        Outcome o = run("none", {}, "-c -M 8 -L 30000000 -C http://127.0.0.1:$PORT/config");
        ASSERT_EQ(o.status, 0) << QJsonDocument(o.json).toJson().data();
        EXPECT_LE(o.json["dl_bytes"].toDouble(), cap) << i;
        EXPECT_LE(o.json["ul_bytes"].toDouble(), cap) << i;
        EXPECT_GE(o.json["dl_bytes"].toDouble(), cap * 0.9) << "the cap ended it " << i;
        EXPECT_LT(o.seconds, 8) << i;
    }
}

TEST_F(NetQualityTest, StopsCleanlyWhenTerminated) {
    Outcome o = run("50mbit", {}, "-c -M 10 -C http://127.0.0.1:$PORT/config",
                    "& pid=$!; sleep 1.5; kill -TERM $pid; wait $pid");
    EXPECT_EQ(o.status, 128 + 15);
    expectFailure(o);
    EXPECT_LT(o.seconds, 2.5);
}

}  // namespace
