#include "ui/feedback/ReviewPage.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "feedback/Site.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "support/EventLoop.h"
#include "support/LoopbackHttp.h"
#include "support/Widgets.h"
#include "ui/feedback/ReviewAsk.h"
#include "ui/feedback/StarPicker.h"

namespace tv {
namespace {

using test::button;
using test::LoopbackHttp;
using test::shows;
using test::spin;

constexpr double day = 86400;
const QString sendFailedText =
    QStringLiteral("Couldn't send. Check your connection and try again.");

TEST(ReviewAskTest, AWeekInThenOnceMoreAfterThirtyDaysAndNeverAfterASentReview) {
    QTemporaryDir dir;
    Settings settings(dir.filePath("TallyVane.ini"));
    settings.setDate(SettingKeys::firstLaunch, dateFromSeconds(0));
    double now = 0;
    ReviewAsk ask(settings, [&] { return dateFromSeconds(now); });
    auto shownAt = [&](double days, Health health = Health::ok) {
        now = days * day;
        ask.refresh(health);
        return !ask.isHidden();
    };
    EXPECT_FALSE(shownAt(6.9));
    EXPECT_TRUE(shownAt(7));
    EXPECT_FALSE(shownAt(8, Health::warning));
    EXPECT_FALSE(shownAt(8, Health::critical));
    EXPECT_EQ(ask.picker().stars(), 0);

    now = 7 * day;
    button(ask, "Not now")->click();
    EXPECT_TRUE(ask.isHidden());
    EXPECT_EQ(settings.integer(SettingKeys::reviewNotNow), 1);
    EXPECT_FALSE(shownAt(36.9));
    EXPECT_TRUE(shownAt(37));
    button(ask, "Not now")->click();
    EXPECT_FALSE(shownAt(400));

    settings.setInteger(SettingKeys::reviewNotNow, 0);
    EXPECT_TRUE(shownAt(400));
    settings.setInteger(SettingKeys::reviewStars, 5);
    EXPECT_FALSE(shownAt(400)) << "a sent review ends the asking";

    std::optional<int> rated;
    QObject::connect(&ask, &ReviewAsk::rate, [&](int n) { rated = n; });
    button(ask.picker(), "3 stars")->click();
    EXPECT_EQ(rated, 3);
}

TEST(StarPickerTest, PointingPreviewsAndEachStarIsNamed) {
    StarPicker picker(13);
    picker.setStars(2);
    EXPECT_EQ(picker.accessibleName(), "Rating");
    EXPECT_EQ(picker.accessibleDescription(), "2 of 5 stars");
    EXPECT_EQ(picker.star(1)->accessibleName(), "1 star");
    EXPECT_EQ(picker.star(4)->accessibleName(), "4 stars");
    QEvent leave(QEvent::Leave);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(picker.star(4), &enter);
    EXPECT_EQ(picker.shown(), 4);
    QCoreApplication::sendEvent(picker.star(5), &enter);
    QCoreApplication::sendEvent(picker.star(4), &leave);  // a late leave of another star
    EXPECT_EQ(picker.shown(), 5);
    QCoreApplication::sendEvent(picker.star(5), &leave);
    EXPECT_EQ(picker.shown(), 2);
}

class ReviewPageTest : public testing::Test {
  protected:
    std::unique_ptr<ReviewPage> open(int stars, QUrl url, int timeoutMs = 5000,
                                     const Vocabulary& words = Vocabulary::forLinux()) {
        sites.push_back(std::make_unique<Site>(url, timeoutMs));
        return std::make_unique<ReviewPage>(
            ReviewPage::Parts{settings,
                              *sites.back(),
                              "0.1.0",
                              "Debian GNU/Linux 12, kernel 6.1",
                              words,
                              [this](const QUrl& link) { opened.push_back(link); },
                              {}},
            stars);
    }
    static QPlainTextEdit& comment(ReviewPage& page) { return *page.findChild<QPlainTextEdit*>(); }
    static void pressSend(ReviewPage& page) {
        QTest::keyClick(&comment(page), Qt::Key_Return, Qt::ControlModifier);
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath("TallyVane.ini")};
    LoopbackHttp server;
    std::vector<std::unique_ptr<Site>> sites;  // kept while any page may use them
    std::vector<QUrl> opened;
};

TEST_F(ReviewPageTest, WithoutStarsNothingCanBeSentAndTheWordsFollowTheStars) {
    auto page = open(0, server.url());
    QAbstractButton* send = button(*page, "Send review");
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(send->toolTip(), "Choose a rating first");
    EXPECT_TRUE(shows(*page, "Choose a rating"));
    EXPECT_TRUE(shows(*page,
                      "Sent with your TallyVane and Linux versions. Nothing else about "
                      "you or your computer."));
    EXPECT_TRUE(shows(*open(0, server.url(), 5000, Vocabulary::forMac()),
                      "Sent with your TallyVane and macOS versions. Nothing else about you or your "
                      "Mac."));
    comment(*page).setPlainText("nice");
    pressSend(*page);
    spin(0.3, [] { return false; });
    EXPECT_TRUE(server.requests.empty());
    EXPECT_EQ(comment(*page).toPlainText(), "nice") << "Ctrl+Return adds no line either";

    button(*page, "5 stars")->click();
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(send->toolTip(), "Send (Ctrl+Return)");
    EXPECT_TRUE(shows(*page, "Love it"));
    EXPECT_TRUE(shows(*page, "What do you like most?"));
    button(*page, "1 star")->click();
    EXPECT_TRUE(shows(*page, "Not for me"));
    EXPECT_TRUE(shows(*page, "What would make it better?"));
}

TEST_F(ReviewPageTest, AnAcceptedReviewIsStoredAndThanksPerStarCount) {
    auto page = open(4, server.url());
    comment(*page).setPlainText("  Quiet fans again \n");
    comment(*page).setFocus();
    pressSend(*page);
    EXPECT_TRUE(page->sending());
    ASSERT_TRUE(spin(10, [&] { return page->sent(); }));
    ASSERT_EQ(server.requests.size(), 1u);
    QJsonObject json = QJsonDocument::fromJson(server.requests[0].body).object();
    EXPECT_EQ(json.size(), 4);
    EXPECT_EQ(json.value("comment").toString(), "Quiet fans again");
    EXPECT_EQ(json.value("stars").toInt(), 4);
    EXPECT_EQ(settings.integer(SettingKeys::reviewStars), 4);
    EXPECT_TRUE(shows(*page, "Thanks for your review"));
    EXPECT_TRUE(shows(*page, "It helps more than you'd think. Every review is read."));
    EXPECT_FALSE(button(*page, "Write to Support")->isVisibleTo(page.get()));

    auto low = open(3, server.url());
    button(*low, "Send review")->click();
    ASSERT_TRUE(spin(10, [&] { return low->sent(); }));
    QAbstractButton* support = button(*low, "Write to Support");
    ASSERT_TRUE(support->isVisibleTo(low.get()));
    support->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toEncoded(), "mailto:support@tallyvane.app?subject=TallyVane%200.1.0");

    std::optional<bool> left;
    QObject::connect(low.get(), &ReviewPage::back, [&] { left = true; });
    button(*low, "Done")->click();
    EXPECT_TRUE(left);
}

// The panel closes on focus loss and takes the page with it, also mid-send: a review the
// site then accepts still counts, so the request does not come back; a refused one does not.
TEST_F(ReviewPageTest, AReviewAcceptedAfterThePageClosedIsStillRecorded) {
    server.holding = true;
    for (int status : {500, 200}) {
        SCOPED_TRACE(status);
        server.status = status;
        server.requests.clear();
        auto panel = std::make_unique<QWidget>();
        QPointer<ReviewPage> page = open(5, server.url()).release();
        page->setParent(panel.get());
        button(*page, "Send review")->click();
        ASSERT_TRUE(spin(10, [&] { return server.requests.size() == 1; }));
        panel.reset();
        ASSERT_FALSE(page);
        server.answerHeld();
        int expected = status == 200 ? 5 : 0;
        spin(status == 200 ? 10 : 0.5,
             [&] { return settings.integer(SettingKeys::reviewStars) == expected && expected; });
        EXPECT_EQ(settings.integer(SettingKeys::reviewStars), expected);
    }
    ReviewAsk ask(settings, [] { return dateFromSeconds(400 * day); });
    settings.setDate(SettingKeys::firstLaunch, dateFromSeconds(0));
    ask.refresh(Health::ok);
    EXPECT_TRUE(ask.isHidden()) << "the request does not come back";
}

TEST_F(ReviewPageTest, EveryFailureKeepsStarsAndCommentForTryAgain) {
    LoopbackHttp silent;
    silent.silent = true;
    struct Case {
        const char* what;
        QUrl url;
        int status;
    } cases[] = {{"204", server.url(), 204},
                 {"500", server.url(), 500},
                 {"closed port", LoopbackHttp::closedPort(), 200},
                 {"no answer", silent.url(), 200}};
    for (const Case& c : cases) {
        server.status = c.status;
        auto page = open(2, c.url, 300);
        comment(*page).setPlainText("Slow to open");
        button(*page, "Send review")->click();
        ASSERT_TRUE(spin(10, [&] { return page->failed(); })) << c.what;
        EXPECT_FALSE(page->sending());
        EXPECT_TRUE(shows(*page, sendFailedText)) << c.what;
        EXPECT_EQ(page->stars(), 2);
        EXPECT_EQ(comment(*page).toPlainText(), "Slow to open");
        EXPECT_EQ(settings.integer(SettingKeys::reviewStars), 0);
        ASSERT_TRUE(button(*page, "Try again"));
    }
    server.status = 204;
    auto page = open(2, server.url());
    button(*page, "Send review")->click();
    ASSERT_TRUE(spin(10, [&] { return page->failed(); }));
    server.status = 200;
    button(*page, "Try again")->click();
    ASSERT_TRUE(spin(10, [&] { return page->sent(); }));
    EXPECT_EQ(server.requests.back().body, server.requests[server.requests.size() - 2].body)
        << "the same review again";
}

}  // namespace
}  // namespace tv
