// The capture mode of the real program on private desktops: the stills, the recording with
// the panel's place checked against the X screen, and a folder that does not exist.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fstream>

#include "support/DesktopRig.h"
#include "support/Spawned.h"
#include "support/XInspect.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::Spawned;
using test::waitFor;

// A private desktop with TallyVane started in it, with a home of its own.
struct Desk {
    DesktopRig rig{{"wm", "tray"}};
    test::XInspect x{rig.env("DISPLAY")};
    QTemporaryDir home;
    std::unique_ptr<Spawned> app;

    void start(const std::string& folder, const std::string& settings) {
        ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
        QDir().mkpath(home.filePath("config/TallyVane"));
        std::ofstream(home.filePath("config/TallyVane/TallyVane.ini").toStdString())
            << "[General]\n"
            << settings;
        std::vector<std::string> argv = rig.inHome(home.path().toStdString());
        argv.insert(argv.end(), {"QT_QPA_PLATFORM=xcb", TALLYVANE_PROGRAM, "--open", folder});
        app = std::make_unique<Spawned>(argv);
    }
};

QJsonDocument json(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())
                                          : QJsonDocument();
}

// Width in pixels of a file that is really a PNG image; -1 otherwise.
int pngWidth(const QString& path) {
    QImageReader reader(path, "png");
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    return reader.format() == "png" && !image.isNull() ? image.width() : -1;
}

// Both runs at once on two desktops, as each waits a minute for the program's own delays.
TEST(CaptureDesktopTest,
     StillsAndARecordingGoToTheFolderAndAMissingFolderGetsNothingButAClosedPanel) {
    Desk desk;
    Desk missing;
    ASSERT_TRUE(desk.rig.started() && missing.rig.started()) << "a desktop rig did not start";
    ASSERT_TRUE(desk.x.connected() && missing.x.connected());
    QTemporaryDir folder;
    QString absent = missing.home.filePath("captures");
    desk.start(folder.path().toStdString(), "recordSeconds=3\n");
    missing.start(absent.toStdString(), "");
    ASSERT_TRUE(waitFor(30, [&] { return missing.x.window("TallyVane panel").has_value(); }))
        << "the panel did not open";

    auto file = [&](const char* name) { return QDir(folder.path()).filePath(name); };
    ASSERT_TRUE(waitFor(90, [&] { return QFile::exists(file("screen.json")); }))
        << "no recording began; files: " << QDir(folder.path()).entryList().join(' ').toStdString();
    // Read at once, while the recording keeps the panel and its backdrop up.
    std::optional<QRect> panel = desk.x.window("TallyVane panel");
    std::optional<QRect> backdrop = desk.x.window("TallyVane backdrop");
    std::optional<QRect> item = desk.x.window("TallyVane", "panel");
    ASSERT_TRUE(panel && backdrop && item);
    QJsonObject screen = json(file("screen.json")).object();
    EXPECT_EQ(QRect(screen["x"].toInt(), screen["y"].toInt(), screen["width"].toInt(),
                    screen["height"].toInt()),
              *panel);
    EXPECT_TRUE(backdrop->contains(*panel) && backdrop->width() > panel->width() &&
                backdrop->height() > panel->height())
        << backdrop->width() << "x" << backdrop->height();

    for (const char* name : {"window.png", "settings.png", "review.png", "review-sent.png",
                             "feedback.png", "states.png"}) {
        EXPECT_EQ(pngWidth(file(name)), 720) << name;
    }
    EXPECT_EQ(pngWidth(file("menubar.png")), 2 * item->width());
    EXPECT_EQ(QImage(file("settings.png")).height(), 2 * 727);

    ASSERT_TRUE(waitFor(15, [&] { return QFile::exists(file("times.json")); }));
    QJsonArray times = json(file("times.json")).array();
    QStringList frames =
        QDir(folder.path()).entryList({QStringLiteral("menubar-*.png")}, QDir::Files, QDir::Name);
    ASSERT_GE(times.size(), 2);
    ASSERT_EQ(frames.size(), times.size());
    for (int n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(frames[n], QStringLiteral("menubar-%1.png").arg(n + 1, 3, 10, QChar('0')));
        EXPECT_EQ(pngWidth(file(frames[n].toUtf8().constData())), 2 * item->width());
        if (n > 0) {
            EXPECT_GT(times[n].toDouble(), times[n - 1].toDouble());
        }
    }
    EXPECT_NEAR(times[0].toDouble(), QDateTime::currentMSecsSinceEpoch() / 1000.0, 30);
    EXPECT_TRUE(waitFor(5, [&] {
        return !desk.x.window("TallyVane panel") && !desk.x.window("TallyVane backdrop");
    })) << "the panel or the backdrop stayed after the recording";

    // The other run took its stills long ago and, without a recording, closed the panel.
    EXPECT_FALSE(missing.x.window("TallyVane panel"));
    EXPECT_FALSE(QFileInfo::exists(absent));
    EXPECT_EQ(QDir(missing.home.path()).entryList(QDir::Files).size(), 0);
    char state = test::processState(missing.app->pid());
    EXPECT_TRUE(state != 0 && state != 'Z') << "the program ended";
    EXPECT_TRUE(missing.x.window("TallyVane", "panel")) << "the tray item went";
}

}  // namespace
}  // namespace tv
