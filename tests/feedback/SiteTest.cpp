#include "feedback/Site.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "feedback/Reviews.h"
#include "feedback/UpdateChecker.h"
#include "settings/Settings.h"
#include "support/EventLoop.h"
#include "support/LoopbackHttp.h"

namespace tv {
namespace {

using test::LoopbackHttp;
using test::spin;

// The error a post ended with (absent: success); waits for it.
std::optional<QString> posted(Site& site, const Review& review) {
    std::optional<std::optional<QString>> result;
    Reviews::send(site, review, [&](std::optional<QString> error) { result = error; });
    EXPECT_TRUE(spin(10, [&] { return result.has_value(); }));
    return result.value_or(QStringLiteral("no answer"));
}

TEST(SiteTest, AReviewIsPostedAsJsonWithExactlyFourKeysAndOnly200IsSuccess) {
    LoopbackHttp server;
    Site site(server.url(), 5000);
    Review review = Reviews::make(4, QStringLiteral("  Keeps my laptop quiet \n"),
                                  QStringLiteral("0.1.0"), QStringLiteral("Debian, kernel 6.1"));
    EXPECT_FALSE(posted(site, review));
    ASSERT_EQ(server.requests.size(), 1u);
    const LoopbackHttp::Request& request = server.requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/api/review");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    QJsonObject json = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(json.keys(), (QStringList{"comment", "os", "stars", "version"}));
    EXPECT_EQ(json.value("stars").toInt(), 4);
    EXPECT_EQ(json.value("comment").toString(), "Keeps my laptop quiet");
    EXPECT_EQ(json.value("version").toString(), "0.1.0");
    EXPECT_EQ(json.value("os").toString(), "Debian, kernel 6.1");

    for (int status : {204, 500, 301}) {
        server.status = status;
        EXPECT_TRUE(posted(site, review)) << status;
    }
    review.stars = 0;
    EXPECT_TRUE(posted(site, review));
    EXPECT_EQ(server.requests.size(), 4u) << "a review without stars is never sent";
}

TEST(SiteTest, AnAnswerCutOffAfterItsStatusIsNoSuccess) {
    LoopbackHttp server;
    server.body = "accepted";
    server.cutShort = true;
    Site site(server.url(), 5000);
    std::optional<QString> error = posted(site, Reviews::make(5, {}, {}, {}));
    EXPECT_TRUE(error) << "a 200 whose transfer failed is not a sent review";
    EXPECT_EQ(server.requests.size(), 1u);

    // The update feed the same way: half a feed is no feed.
    std::optional<std::optional<QByteArray>> feed;
    server.body = "0.2.0\n";
    site.get("version", 4096, [&](std::optional<QByteArray> body) { feed = body; });
    ASSERT_TRUE(spin(10, [&] { return feed.has_value(); }));
    EXPECT_FALSE(*feed);

    server.cutShort = false;
    EXPECT_FALSE(posted(site, Reviews::make(5, {}, {}, {})));
}

TEST(SiteTest, AClosedPortAndASilentSiteFailWithinTheTimeout) {
    Review review = Reviews::make(2, {}, {}, {});
    Site closed(LoopbackHttp::closedPort(), 5000);
    EXPECT_TRUE(posted(closed, review));

    LoopbackHttp server;
    server.silent = true;
    Site silent(server.url(), 400);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(posted(silent, review));
    EXPECT_GE(timer.elapsed(), 350);
    EXPECT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(Site::defaultTimeoutMs, 15000);
}

TEST(SiteTest, TheAddressComesFromTheEnvironmentOnlyWhenUsableAndProxiesAreHonoured) {
    qputenv("TALLYVANE_SITE_URL", "http://127.0.0.1:9/base");
    EXPECT_EQ(Site(Site::configuredUrl(), 1000).address("api/review").toString(),
              "http://127.0.0.1:9/base/api/review");
    for (const char* bad : {"ftp://example.org/", "not an address", "https:///nohost", ""}) {
        qputenv("TALLYVANE_SITE_URL", bad);
        EXPECT_EQ(Site::configuredUrl().toString(), "https://tallyvane.app/") << bad;
    }
    qunsetenv("TALLYVANE_SITE_URL");

    LoopbackHttp proxy;
    qputenv("http_proxy", proxy.url().toEncoded());
    Site site(QUrl("http://tallyvane.invalid/"), 5000);
    std::optional<QString> error = posted(site, Reviews::make(5, {}, {}, {}));
    qunsetenv("http_proxy");
    EXPECT_FALSE(error);
    ASSERT_EQ(proxy.requests.size(), 1u);
    EXPECT_EQ(proxy.requests[0].target, "http://tallyvane.invalid/api/review");
}

class UpdateCheckerTest : public testing::Test {
  protected:
    UpdateAnswer check() {
        std::optional<UpdateAnswer> answer;
        checker.checkNow([&](const UpdateAnswer& a) { answer = a; });
        EXPECT_TRUE(spin(10, [&] { return answer.has_value(); }));
        return answer.value_or(UpdateAnswer{});
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath("TallyVane.ini")};
    LoopbackHttp server;
    Site site{server.url(), 5000};
    UpdateChecker checker{settings, site, QStringLiteral("0.1.0")};
};

TEST_F(UpdateCheckerTest, CheckNowIsUpToDateNewerWithItsPageOrFailed) {
    using Kind = UpdateAnswer::Kind;
    QUrl downloads = server.url().resolved(QUrl("download"));
    server.body = "0.1.0\n";
    EXPECT_EQ(check(), (UpdateAnswer{Kind::upToDate, {}, {}}));
    EXPECT_EQ(server.requests.at(0).target, "/version");
    server.body = "0.2.0\nhttps://tallyvane.app/releases/0.2.0\n";
    EXPECT_EQ(check(),
              (UpdateAnswer{Kind::newer, "0.2.0", QUrl("https://tallyvane.app/releases/0.2.0")}));
    server.body = "0.10.0\njavascript:alert(1)\n";
    EXPECT_EQ(check(), (UpdateAnswer{Kind::newer, "0.10.0", downloads}));
    for (QByteArray bad :
         {QByteArray("<html>Moved</html>"), QByteArray(), QByteArray("1.0 beta")}) {
        server.body = bad;
        EXPECT_EQ(check().kind, Kind::failed) << bad.toStdString();
    }
    server.body = "9.0.0\n";
    server.status = 500;
    EXPECT_EQ(check().kind, Kind::failed);
}

TEST_F(UpdateCheckerTest, AutomaticChecksOnlyWhenOnAndAtMostOnceADayAcrossRestarts) {
    server.body = "0.1.0\n";
    const double t0 = 1.8e9, hour = 3600;
    checker.tick(dateFromSeconds(t0));
    EXPECT_FALSE(checker.automatic()) << "off until the user turns them on";
    checker.setAutomatic(true);
    checker.tick(dateFromSeconds(t0 + 1));
    ASSERT_TRUE(spin(5, [&] { return server.requests.size() == 1; }));
    checker.tick(dateFromSeconds(t0 + 20 * hour));
    UpdateChecker restarted(settings, site, QStringLiteral("0.1.0"));
    restarted.setAutomatic(true);
    restarted.tick(dateFromSeconds(t0 + 23 * hour));
    spin(0.3, [] { return false; });
    EXPECT_EQ(server.requests.size(), 1u);

    server.body = "0.3.0\n";
    std::optional<UpdateAnswer> found;
    QObject::connect(&restarted, &UpdateChecker::newerFound,
                     [&](const UpdateAnswer& answer) { found = answer; });
    restarted.tick(dateFromSeconds(t0 + 25 * hour));
    ASSERT_TRUE(spin(5, [&] { return found.has_value(); }));
    EXPECT_EQ(found->version, "0.3.0");
    // A clock set back makes the stored time meaningless: the next tick checks.
    UpdateChecker early(settings, site, QStringLiteral("0.1.0"));
    early.tick(dateFromSeconds(t0 - 100 * hour));
    EXPECT_TRUE(spin(5, [&] { return server.requests.size() == 3; }));
}

}  // namespace
}  // namespace tv
