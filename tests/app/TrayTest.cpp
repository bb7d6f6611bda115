// The tray item against a stand-in tray host on a private desktop: what the host reads, what
// its clicks and menu do, re-registration, the one-time notice without a tray, and one
// instance per session.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <set>

#include "platform/linux/tray/XEmbedTray.h"
#include "support/DesktopRig.h"
#include "support/Spawned.h"
#include "support/XInspect.h"

namespace tv {
namespace {

using test::DesktopRig;
using test::Spawned;
using test::waitFor;

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// An embedding tray of the test's own: it owns the tray selection, names a visual for its
// icons if asked to, and reports, or takes in, the window a client asks it to dock.
class StandInTray {
  public:
    StandInTray(const std::string& display, bool blends)
        : connection_(xcb_connect(display.c_str(), nullptr)) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        if (blends) {
            for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0;
                 xcb_depth_next(&d)) {
                auto v = xcb_depth_visuals_iterator(d.data);
                if (d.data->depth == 32 && v.rem > 0) {
                    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_,
                                        atom("_NET_SYSTEM_TRAY_VISUAL"), XCB_ATOM_VISUALID, 32, 1,
                                        &v.data->visual_id);
                    break;
                }
            }
        }
        xcb_set_selection_owner(connection_, window_, atom("_NET_SYSTEM_TRAY_S0"),
                                XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }
    ~StandInTray() { xcb_disconnect(connection_); }

    // The depth of the first window a client asked to dock, within `seconds`; 0 for none.
    int dockedDepth(int seconds) {
        xcb_window_t docked = dockRequest(seconds);
        auto geometry =
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, docked), nullptr);
        int depth = geometry ? geometry->depth : 0;
        std::free(geometry);
        return depth;
    }

    // Takes the first window a client asks to dock into a slot a pixel wide, as a loaded GTK
    // tray can: it comes to the request late, sizes the slot from hints it did not see, and
    // sizes it again only when the window's size hints change; the window cannot resize itself
    // in it. The window's width once it reached `wanted`, or after `seconds`; 0 when none asked.
    int takeInNarrowly(int seconds, int wanted) {
        xcb_window_t docked = dockRequest(seconds);
        if (docked == XCB_WINDOW_NONE) {
            return 0;
        }
        ::sleep(2);  // by now the window has its label and its final hints
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        xcb_window_t slot = xcb_generate_id(connection_);
        std::uint32_t slotValues[] = {
            1, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, slot, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, slotValues);
        xcb_map_window(connection_, slot);
        std::uint32_t watch = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, docked, XCB_CW_EVENT_MASK, &watch);
        xcb_reparent_window(connection_, docked, slot, 0, 0);
        resize({slot, docked}, 1, 1);
        xcb_map_window(connection_, docked);
        xcb_flush(connection_);

        int width = 0;
        waitFor(seconds, [&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                // A window's own resizing comes as a request, which this tray ignores.
                auto* change = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                    change->window == docked && change->atom == XCB_ATOM_WM_NORMAL_HINTS) {
                    auto hints = xcb_get_property_reply(
                        connection_,
                        xcb_get_property(connection_, 0, docked, XCB_ATOM_WM_NORMAL_HINTS,
                                         XCB_ATOM_WM_SIZE_HINTS, 0, 18),
                        nullptr);
                    // WM_SIZE_HINTS: flags, four unused, then the minimum width and height.
                    if (hints && xcb_get_property_value_length(hints) >= 7 * 4) {
                        auto* fields = static_cast<std::uint32_t*>(xcb_get_property_value(hints));
                        const std::uint32_t minimumSize = 1u << 4;
                        if ((fields[0] & minimumSize) != 0) {
                            resize({slot, docked}, fields[5], fields[6]);
                        }
                    }
                    std::free(hints);
                }
                std::free(event);
            }
            auto geometry =
                xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, docked), nullptr);
            width = geometry ? geometry->width : 0;
            std::free(geometry);
            return width >= wanted;
        });
        return width;
    }

  private:
    // The window a client asks to dock, within `seconds`; none if no one asked.
    xcb_window_t dockRequest(int seconds) {
        const xcb_atom_t opcode = atom("_NET_SYSTEM_TRAY_OPCODE");
        xcb_window_t docked = XCB_WINDOW_NONE;
        waitFor(seconds, [&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                    message->type == opcode && message->data.data32[1] == 0) {
                    docked = message->data.data32[2];
                }
                std::free(event);
            }
            return docked != XCB_WINDOW_NONE;
        });
        return docked;
    }
    void resize(std::initializer_list<xcb_window_t> windows, std::uint32_t width,
                std::uint32_t height) {
        std::uint32_t size[] = {std::max(width, 1u), std::max(height, 1u)};
        for (xcb_window_t window : windows) {
            xcb_configure_window(connection_, window,
                                 XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        }
        xcb_flush(connection_);
    }
    xcb_atom_t atom(const char* name) {
        auto reply = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    }

    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
};

class TrayTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
        ::mkdir(home.filePath("run").toStdString().c_str(), 0700);
        ::mkdir(home.filePath("config").toStdString().c_str(), 0700);
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(busName); }

    std::unique_ptr<Spawned> start(const std::vector<std::string>& extra = {
                                       "QT_QPA_PLATFORM=xcb"}) {
        std::vector<std::string> argv{
            "env",
            "-u",
            "QT_QPA_PLATFORM",
            "DISPLAY=" + rig.env("DISPLAY"),
            "DBUS_SESSION_BUS_ADDRESS=" + rig.env("DBUS_SESSION_BUS_ADDRESS"),
            "HOME=" + home.path().toStdString(),
            "XDG_CONFIG_HOME=" + home.filePath("config").toStdString(),
            "XDG_RUNTIME_DIR=" + home.filePath("run").toStdString()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        argv.push_back(TALLYVANE_PROGRAM);
        return std::make_unique<Spawned>(argv);
    }

    // A tray host under the program name `host`, logging registrations to `log`.
    std::unique_ptr<Spawned> watcher(const std::string& host, const std::string& log) {
        std::string program = home.filePath(QString::fromStdString(host)).toStdString();
        ::symlink(TALLYVANE_TEST_WATCHER, program.c_str());
        std::vector<std::string> argv{
            "env", "DBUS_SESSION_BUS_ADDRESS=" + rig.env("DBUS_SESSION_BUS_ADDRESS"), program,
            home.filePath(QString::fromStdString(log)).toStdString()};
        return std::make_unique<Spawned>(argv);
    }

    // The item's bus name as the host was told it (the sender, when told a path); empty until
    // it registered.
    std::string registered(const std::string& log) {
        std::string line = test::textOf(home.filePath(QString::fromStdString(log)).toStdString());
        line = line.substr(0, line.find('\n'));
        std::string service = line.substr(0, line.find(' '));
        return service.rfind('/', 0) == 0 ? line.substr(line.find(' ') + 1) : service;
    }
    // The item as the host names it.
    std::string hostsName(const std::string& log) {
        std::string line = test::textOf(home.filePath(QString::fromStdString(log)).toStdString());
        std::string service = line.substr(0, line.find(' '));
        return service.rfind('/', 0) == 0 ? registered(log) + "@" + service : service;
    }

    QDBusMessage call(const std::string& service, const char* path, const char* interface,
                      const char* method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromStdString(service), path,
                                                        interface, method);
        m.setArguments(args);
        return bus.call(m, QDBus::Block, 5000);
    }
    QVariant property(const std::string& service, const char* name) {
        QDBusMessage reply = call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                  "Get", {"org.kde.StatusNotifierItem", name});
        return reply.arguments().isEmpty()
                   ? QVariant()
                   : reply.arguments().first().value<QDBusVariant>().variant();
    }
    // The (width, height) of each IconPixmap picture.
    std::vector<QSize> iconSizes(const std::string& service) {
        std::vector<QSize> sizes;
        const QDBusArgument icons = property(service, "IconPixmap").value<QDBusArgument>();
        icons.beginArray();
        while (!icons.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray pixels;
            icons.beginStructure();
            icons >> width >> height >> pixels;
            icons.endStructure();
            EXPECT_EQ(pixels.size(), width * height * 4);
            sizes.emplace_back(width, height);
        }
        icons.endArray();
        return sizes;
    }
    void activate(const std::string& service, int x, int y) {
        call(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {x, y});
    }
    void choose(const std::string& service, int entry) {
        call(service, "/MenuBar", "com.canonical.dbusmenu", "Event",
             {entry, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    }
    std::optional<QRect> panel() { return x.window("TallyVane panel"); }

    DesktopRig rig{{"wm", "notifications"}};
    test::XInspect x{rig.env("DISPLAY")};
    QTemporaryDir home;
    QString busName = QStringLiteral("rig-%1").arg(::getpid());
    QDBusConnection bus = QDBusConnection::connectToBus(
        QString::fromStdString(rig.env("DBUS_SESSION_BUS_ADDRESS")), busName);
};

TEST_F(TrayTest, AHostThatShowsLabelsGetsTheReadingsAndItsClicksAndMenuWork) {
    auto host = watcher("gnome-shell", "first.log");
    auto app = start();
    ASSERT_TRUE(waitFor(15, [&] { return !registered("first.log").empty(); }));
    std::string item = registered("first.log");

    // Told by its path, so that a host takes the item as the connection's; a host told a name
    // may watch the name too and drop the item when the two reports cross.
    EXPECT_EQ(
        test::textOf(home.filePath("first.log").toStdString()).rfind("/StatusNotifierItem ", 0),
        0U);
    EXPECT_EQ(property(item, "Id").toString(), "tallyvane");
    EXPECT_EQ(property(item, "Title").toString(), "TallyVane");
    EXPECT_EQ(property(item, "Category").toString(), "ApplicationStatus");
    EXPECT_EQ(property(item, "Status").toString(), "Active");
    EXPECT_FALSE(property(item, "ItemIsMenu").toBool());
    EXPECT_EQ(iconSizes(item), (std::vector<QSize>{{22, 22}, {44, 44}}));
    EXPECT_TRUE(property(item, "IconAccessibleDesc").toString().startsWith("CPU "));
    EXPECT_EQ(property(item, "XAyatanaLabelGuide").toString(), "100% · 100% · 100°");
    // A host that lets the item go while both are running is told of it again.
    auto lines = [&] {
        std::string log = test::textOf(home.filePath("first.log").toStdString());
        return std::count(log.begin(), log.end(), '\n');
    };
    EXPECT_EQ(lines(), 1);
    call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
         "Drop", {QString::fromStdString(hostsName("first.log"))});
    EXPECT_TRUE(waitFor(5, [&] { return lines() == 2; })) << "registered again";
    // Another item's going is not ours.
    call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
         "Drop", {QStringLiteral("org.kde.StatusNotifierItem-1-1")});
    call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
         "Drop", {QStringLiteral(":1.999@/StatusNotifierItem")});
    waitFor(1.5, [] { return false; });
    EXPECT_EQ(lines(), 2);
    QRegularExpression readings("^\\d+% · \\d+% · (\\d+°|–)$");
    // The label follows the readings, once a second, while a busy process moves them: its
    // 1.5 GiB move the memory reading even where other work keeps the processor at 100 %.
    Spawned busy({TALLYVANE_TEST_WORKER, "2", "busy", "1536"});
    std::set<QString> labels;
    for (int i = 0; i < 25; ++i) {
        QString label = property(item, "XAyatanaLabel").toString();
        EXPECT_TRUE(readings.match(label).hasMatch()) << label.toStdString();
        labels.insert(label);
        ::usleep(200'000);
    }
    EXPECT_GE(labels.size(), 2u) << "the label changed within five seconds";

    // A click on the host opens the panel centred under the click; a second one closes it.
    activate(item, 500, 300);
    ASSERT_TRUE(waitFor(5, [&] { return panel().has_value(); }));
    EXPECT_NEAR(panel()->center().x(), 500, 2);
    // Under the click, unless the panel is taller than the room below it: then it is moved up
    // just enough to stay on the screen.
    if (panel()->height() <= 800 - 310) {
        EXPECT_GE(panel()->top(), 300);
        EXPECT_LE(panel()->top(), 310);
    } else {
        EXPECT_GE(panel()->top(), 0);
        EXPECT_LE(panel()->bottom(), 800);
    }
    activate(item, 500, 300);
    EXPECT_TRUE(waitFor(5, [&] { return !panel().has_value(); }));

    QDBusMessage layout = call(item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                               {0, -1, QStringList{"label"}});
    std::string menu;
    ASSERT_EQ(layout.arguments().size(), 2);
    const QDBusArgument root = layout.arguments()[1].value<QDBusArgument>();
    int id = 0;
    QVariantMap properties;
    root.beginStructure();
    root >> id >> properties;
    root.beginArray();
    while (!root.atEnd()) {
        QDBusVariant child;
        root >> child;
        const QDBusArgument entry = child.variant().value<QDBusArgument>();
        entry.beginStructure();
        entry >> id >> properties;
        entry.endStructure();
        menu += std::to_string(id) + ":" + properties["label"].toString().toStdString() + ";";
    }
    root.endArray();
    root.endStructure();
    EXPECT_EQ(menu, "1:Open TallyVane;2:Settings;3:Quit TallyVane;");
    // One entry's property, and at once an error for what the menu does not have.
    QDBusMessage label = call(item, "/MenuBar", "com.canonical.dbusmenu", "GetProperty",
                              {2, QStringLiteral("label")});
    ASSERT_EQ(label.type(), QDBusMessage::ReplyMessage) << label.errorMessage().toStdString();
    EXPECT_EQ(label.arguments().value(0).value<QDBusVariant>().variant().toString(), "Settings");
    for (const auto& [entry, name] :
         std::vector<std::pair<int, QString>>{{9, QStringLiteral("label")},
                                              {-1, QStringLiteral("label")},
                                              {2, QStringLiteral("no-such-property")},
                                              {0, QStringLiteral("label")}}) {
        QElapsedTimer asked;
        asked.start();
        QDBusMessage answer =
            call(item, "/MenuBar", "com.canonical.dbusmenu", "GetProperty", {entry, name});
        EXPECT_EQ(answer.type(), QDBusMessage::ErrorMessage) << entry;
        EXPECT_EQ(answer.errorName().toStdString(), "org.freedesktop.DBus.Error.InvalidArgs")
            << entry;
        EXPECT_LT(asked.elapsed(), 1000) << "answered at once";
    }

    choose(item, 1);
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "Open TallyVane";
    activate(item, 500, 300);
    ASSERT_TRUE(waitFor(5, [&] { return !panel().has_value(); }));
    choose(item, 2);
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "Settings";
    // The settings page, not the dashboard: no coloured health card across the top.
    EXPECT_TRUE(waitFor(3, [&] {
        if (!panel()) {
            return false;
        }
        QImage top = x.grab(panel()->adjusted(0, 0, 0, 60 - panel()->height()));
        int tinted = 0;
        for (int y = 0; y < top.height(); ++y) {
            for (int x = 0; x < top.width(); ++x) {
                QColor c(top.pixel(x, y));
                tinted += c.saturation() > 120 && c.value() > 120;
            }
        }
        return tinted < 500;
    })) << "the tray's Settings shows the settings page";

    // The host restarts as another one: the item registers again and takes its shape.
    host.reset();
    auto wide = watcher("waybar", "second.log");
    ASSERT_TRUE(waitFor(10, [&] { return registered("second.log") == item; }));
    EXPECT_TRUE(waitFor(5, [&] {
        auto sizes = iconSizes(item);
        return sizes.size() == 2 && sizes[0].width() > 3 * sizes[0].height() &&
               sizes[1].height() == 2 * sizes[0].height();
    })) << "the wide label on a host that keeps the aspect";
    EXPECT_EQ(property(item, "XAyatanaLabel").toString(), "");

    choose(item, 3);
    int status = 0;
    EXPECT_TRUE(waitFor(10, [&] { return ::waitpid(app->pid(), &status, WNOHANG) == app->pid(); }))
        << "Quit TallyVane";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Where the tray blends its icons the slot is transparent around the label (the window has an
// alpha channel); where it does not, the window is opaque, as a transparent one would show black.
TEST_F(TrayTest, AnEmbeddingTrayThatBlendsItsIconsGetsAWindowWithAnAlphaChannel) {
    for (bool blends : {true, false}) {
        StandInTray tray(rig.env("DISPLAY"), blends);
        auto app = start();
        EXPECT_EQ(tray.dockedDepth(15), blends ? 32 : 24) << (blends ? "blending" : "opaque");
    }
}

// A tray that sized the slot to a pixel, while the window was not yet mapped, measures it again
// once the window repeats its size hints: the label ends up whole, not a pixel wide.
TEST_F(TrayTest, ASlotLeftAPixelWideIsMeasuredAgain) {
    StandInTray tray(rig.env("DISPLAY"), false);
    auto app = start();
    EXPECT_GE(tray.takeInNarrowly(15, 100), 100);
}

TEST_F(TrayTest, WithoutATrayItSaysSoOnceEverAndASecondStartOpensTheFirstOnesPanel) {
    auto app = start();
    ASSERT_TRUE(waitFor(15, [&] { return count(rig.shown(), "TallyVane is running") == 1; }))
        << rig.shown();
    EXPECT_NE(rig.shown().find("add a system tray"), std::string::npos) << rig.shown();
    EXPECT_FALSE(panel().has_value());
    rig.choose("open");
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "Open TallyVane";
    ::kill(app->pid(), SIGTERM);
    ASSERT_TRUE(waitFor(10, [&] { return ::waitpid(app->pid(), nullptr, WNOHANG) == app->pid(); }));
    ASSERT_FALSE(waitFor(2, [&] { return panel().has_value(); }));

    app = start();
    ASSERT_TRUE(waitFor(10, [&] {
        return bus.interface()->isServiceRegistered("app.tallyvane.TallyVane").value();
    }));
    auto second = start();
    int status = -1;
    EXPECT_TRUE(
        waitFor(10, [&] { return ::waitpid(second->pid(), &status, WNOHANG) == second->pid(); }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(waitFor(5, [&] { return panel().has_value(); })) << "the first one's panel";
    EXPECT_EQ(::waitpid(app->pid(), nullptr, WNOHANG), 0) << "the first one runs on";

    // Past the grace period, the notice is not repeated.
    ::sleep(7);
    EXPECT_EQ(count(rig.shown(), "TallyVane is running"), 1) << rig.shown();
}

TEST_F(TrayTest, ThroughXWaylandThePanelIsAManagedWindowClosedByEscapeOrLosingTheFocus) {
    auto host = watcher("plasmashell", "first.log");
    // A Wayland session with XWayland, the toolkit left to choose.
    auto app = start({"WAYLAND_DISPLAY=wayland-absent"});
    ASSERT_TRUE(waitFor(15, [&] { return !registered("first.log").empty(); }));
    std::string item = registered("first.log");
    activate(item, 700, 40);
    ASSERT_TRUE(waitFor(5, [&] { return panel().has_value(); }));
    EXPECT_NEAR(panel()->center().x(), 700, 2);
    EXPECT_NE(test::outputOf(rig.inRig("xwininfo -name 'TallyVane panel'"))
                  .find("Override Redirect State: no"),
              std::string::npos)
        << "managed by the window manager";
    ASSERT_TRUE(waitFor(5, [&] {
        return test::outputOf(rig.inRig("xdotool getactivewindow getwindowname")) ==
               "TallyVane panel";
    }));
    test::outputOf(rig.inRig("xdotool key Escape"));
    EXPECT_TRUE(waitFor(5, [&] { return !panel().has_value(); })) << "Escape";

    ::usleep(400'000);
    activate(item, 700, 40);
    ASSERT_TRUE(waitFor(5, [&] { return panel().has_value(); }));
    Spawned front({"env", "DISPLAY=" + rig.env("DISPLAY"), TALLYVANE_TEST_FRONT});
    ASSERT_TRUE(waitFor(5, [&] { return x.window("Front").has_value(); }));
    test::outputOf(rig.inRig("xdotool search --name '^Front$' windowactivate"));
    EXPECT_TRUE(waitFor(5, [&] { return !panel().has_value(); })) << "another window took focus";
}

// A docked label in one colour takes the tray's foreground where the tray names one
// (_NET_SYSTEM_TRAY_COLORS), whatever the palette says; a tray that names none leaves it to
// the palette.
TEST(TrayColorsTest, TheTraysForegroundComesFromItsColoursProperty) {
    DesktopRig rig({"tray"});
    ASSERT_TRUE(rig.started());
    int screen = 0;
    xcb_connection_t* x = xcb_connect(rig.env("DISPLAY").c_str(), &screen);
    ASSERT_EQ(xcb_connection_has_error(x), 0);
    linux_os::XEmbedTray tray(x, screen);
    // The tray's window is up before it has taken the tray's selection.
    ASSERT_TRUE(waitFor(10, [&] { return tray.available(); }));
    EXPECT_FALSE(tray.foreground()) << "trayer names no colours";

    auto atom = [&](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    };
    std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    auto* owner = xcb_get_selection_owner_reply(
        x, xcb_get_selection_owner(x, atom(selection.c_str())), nullptr);
    ASSERT_TRUE(owner && owner->owner != XCB_WINDOW_NONE);
    // A light foreground for a dark panel, then error, warning and success colours.
    std::uint32_t colours[12] = {0xeeee, 0xdddd, 0xcccc, 0xffff, 0,      0,
                                 0xffff, 0xaaaa, 0,      0,      0xffff, 0};
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, owner->owner, atom("_NET_SYSTEM_TRAY_COLORS"),
                        XCB_ATOM_CARDINAL, 32, 12, colours);
    xcb_flush(x);
    std::free(owner);
    EXPECT_EQ(tray.foreground(), 0xeeddccu);
    EXPECT_EQ(tray.foreground(), 0xeeddccu) << "asked again, from the owner it knows";

    // Another tray takes the selection while the first one's window is still there: its
    // colours count from the next label on, and none once it has gone.
    xcb_window_t other = xcb_generate_id(x);
    xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    xcb_create_window(x, XCB_COPY_FROM_PARENT, other, root->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, root->root_visual, 0, nullptr);
    std::uint32_t dark[12] = {0x1111, 0x2222, 0x3333};
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, other, atom("_NET_SYSTEM_TRAY_COLORS"),
                        XCB_ATOM_CARDINAL, 32, 12, dark);
    xcb_set_selection_owner(x, other, atom(selection.c_str()), XCB_CURRENT_TIME);
    xcb_flush(x);
    EXPECT_EQ(tray.foreground(), 0x112233u);
    xcb_destroy_window(x, other);
    xcb_flush(x);
    EXPECT_FALSE(tray.foreground()) << "no tray now";
    xcb_disconnect(x);
}

}  // namespace
}  // namespace tv
