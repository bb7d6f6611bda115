// The capture mode of the real program on private desktops: the stills, the recording with
// the panel's place checked against the X screen, links planted under the files' names, and
// a folder that does not exist.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
     StillsAndARecordingGoToTheFolderInPlaceOfPlantedLinksAndAMissingFolderGetsNothing) {
    Desk desk;
    Desk missing;
    ASSERT_TRUE(desk.rig.started() && missing.rig.started()) << "a desktop rig did not start";
    ASSERT_TRUE(desk.x.connected() && missing.x.connected());
    QTemporaryDir folder;
    // Every name the capture writes is a link to someone's file elsewhere.
    QTemporaryDir elsewhere;
    QStringList planted{"menubar.png", "window.png",      "settings.png",
                        "review.png",  "review-sent.png", "feedback.png",
                        "states.png",  "screen.json",     "times.json"};
    planted << "menubar-001.png"
            << "menubar-002.png";  // the frames surely recorded
    for (const QString& name : planted) {
        std::ofstream(elsewhere.filePath(name).toStdString()) << "keep me\n";
        ASSERT_TRUE(QFile::link(elsewhere.filePath(name), QDir(folder.path()).filePath(name)));
    }
    QString absent = missing.home.filePath("captures");
    desk.start(folder.path().toStdString(), "recordSeconds=3\n");
    missing.start(absent.toStdString(), "");
    ASSERT_TRUE(waitFor(30, [&] { return missing.x.window("TallyVane panel").has_value(); }))
        << "the panel did not open";

    auto file = [&](const char* name) { return QDir(folder.path()).filePath(name); };
    // Written: there, and no longer the link planted under its name.
    auto written = [&](const char* name) {
        QFileInfo info(file(name));
        return info.exists() && !info.isSymLink();
    };
    ASSERT_TRUE(waitFor(90, [&] { return written("screen.json"); }))
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
    // The settings still is the panel's height, or taller where the whole page needs it.
    int settingsHeight = QImage(file("settings.png")).height();
    EXPECT_TRUE(settingsHeight >= 2 * 727 && settingsHeight % 2 == 0) << settingsHeight;

    ASSERT_TRUE(waitFor(15, [&] { return written("times.json"); }));
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
    // Each written name is now a file of its own; the links' targets are as they were, and no
    // file half written is left behind.
    for (const QString& name : planted) {
        std::string target = elsewhere.filePath(name).toStdString();
        EXPECT_EQ(test::textOf(target), "keep me\n") << "written through the link: " << target;
        QString path = file(name.toUtf8().constData());
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << name.toStdString() << " is still a link";
        if (name.endsWith(".png")) {
            EXPECT_GT(pngWidth(path), 0) << name.toStdString();
        }
    }
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::System)) {
        EXPECT_TRUE(planted.contains(name) || frames.contains(name))
            << "left behind: " << name.toStdString();
    }
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
