// Click on the tray item → panel on screen, measured from outside the program as a person at
// the screen sees it: on a private desktop (virtual X server, window manager, tray host), a
// real click (xdotool) on TallyVane's tray item, then the time until the panel's window is
// mapped, until its area shows the panel painted, and until the health card stands at full
// strength (the end of the reveal's first step). Each opening is closed with Escape before
// the next. Prints every click and the medians.
//
//   tallyvane_click_bench [clicks]     (12 by default)
//
// Times count from the moment the button is seen down (xdotool's own start, printed
// for each click, is not the program's); the button is let up once the panel is measured.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/DesktopRig.h"
#include "support/Pixels.h"
#include "support/Spawned.h"
#include "support/XInspect.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using tv::test::DesktopRig;
using tv::test::XInspect;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Starts xdotool with these arguments in the rig's display.
pid_t startXdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "xdotool", &quiet, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

// Runs xdotool and waits for it.
void xdotool(const std::vector<std::string>& arguments) {
    pid_t pid = startXdotool(arguments);
    int status = 0;
    if (pid > 0) {
        waitpid(pid, &status, 0);
    }
}

// Whether the first button is down now.
bool pressed(xcb_connection_t* c, xcb_window_t root) {
    auto pointer = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
    bool down = pointer && (pointer->mask & XCB_BUTTON_MASK_1);
    std::free(pointer);
    return down;
}

// The panel's first frame: its outline down the left edge (x 0) and its background down the
// padding inside it (x 4), a column of one plain colour that is not the bare screen's.
bool painted(const QImage& edge, QRgb bare) {
    if (edge.isNull() || edge.height() < 40) {
        return false;
    }
    QRgb first = edge.pixel(4, 10);
    if (first == bare || edge.pixel(0, 10) == first) {
        return false;
    }
    QImage column = edge.copy(4, 0, 1, edge.height());
    for (int y = 10; y < column.height() - 10; y += 7) {
        if (column.pixel(0, y) != first) {
            return false;
        }
    }
    return true;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Where the window is on screen while it is viewable; cheap enough to ask every half
// millisecond (two requests, unlike a walk over the whole window tree).
std::optional<QRect> viewable(xcb_connection_t* c, xcb_window_t w) {
    auto attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    if (!mapped) {
        return std::nullopt;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    auto at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0), nullptr);
    std::optional<QRect> out;
    if (geometry && at) {
        out = QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
    }
    std::free(geometry);
    std::free(at);
    return out;
}

struct Opening {
    double press = -1;  // xdotool started → the button is down
    double mapped = -1;
    double painted = -1;
    double card = -1;
};

}  // namespace

int main(int argc, char** argv) {
    int clicks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    // For QImage's colour helpers only: offscreen, so the bench runs where no display is yet;
    // it starts its own desktop below, and TallyVane is told to use it.
    std::vector<char*> qtArgs{argv[0], const_cast<char*>("-platform"),
                              const_cast<char*>("offscreen")};
    int qtCount = static_cast<int>(qtArgs.size());
    QGuiApplication app(qtCount, qtArgs.data());
    DesktopRig rig{{"wm", "tray"}};
    if (!rig.started()) {
        std::fprintf(stderr, "the desktop rig did not start\n");
        return 1;
    }
    setenv("DISPLAY", rig.env("DISPLAY").c_str(), 1);
    XInspect x{rig.env("DISPLAY")};
    QTemporaryDir home;
    for (const char* sub : {"config/TallyVane", "data", "state", "run"}) {
        QDir().mkpath(home.filePath(QString::fromUtf8(sub)));
    }
    ::chmod(home.filePath("run").toStdString().c_str(), 0700);
    std::ofstream(home.filePath("config/TallyVane/TallyVane.ini").toStdString()) << "[General]\n";
    std::vector<std::string> command = rig.inHome(home.path().toStdString());
    command.insert(command.end(), {"QT_QPA_PLATFORM=xcb", TALLYVANE_PROGRAM});
    tv::test::Spawned program(command);

    std::optional<QRect> item;
    tv::test::waitFor(30, [&] {
        item = x.window("TallyVane", "panel");
        return item && item->width() > item->height() && item->left() >= 0 && item->left() < 1280;
    });
    if (!item) {
        std::fprintf(stderr, "the tray item never came into view\n");
        return 1;
    }
    // Let the program settle past its start (first ticks, the label's first pictures).
    std::this_thread::sleep_for(std::chrono::seconds(3));
    QPoint at(std::min(item->center().x(), 1278), item->center().y());
    xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y())});

    // Told of every top-level window that is mapped: the window manager maps the panel's
    // frame on the screen's root once it has taken the panel in.
    xcb_connection_t* c = xcb_connect(rig.env("DISPLAY").c_str(), nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    auto drain = [&] {
        xcb_window_t mapped = XCB_NONE;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                mapped = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            }
            std::free(event);
        }
        return mapped;
    };

    std::vector<Opening> openings;
    for (int i = 0; i < clicks; ++i) {
        // The screen where the panel will be, before it is there.
        QImage before = x.grab(QRect(0, 0, 1280, 800));
        drain();
        Opening o;
        xcb_window_t window = XCB_NONE;
        Clock::time_point launched = Clock::now();
        // The button goes down and stays down until the panel is measured: the moment it
        // goes down is seen from here, and the program acts on the press.
        pid_t down = startXdotool({"mousedown", "1"});
        Clock::time_point start = launched;
        bool seen = false;
        while (msSince(launched) < 3000) {
            if (!seen) {
                seen = pressed(c, root);
                if (!seen) {
                    std::this_thread::sleep_for(std::chrono::microseconds(250));
                    continue;
                }
                start = Clock::now();
                o.press = std::chrono::duration<double, std::milli>(start - launched).count();
            }
            if (window == XCB_NONE) {
                window = drain();
                if (window != XCB_NONE) {
                    o.mapped = msSince(start);
                }
            }
            std::optional<QRect> panel = window == XCB_NONE ? std::nullopt : viewable(c, window);
            if (panel) {
                QRect column(panel->left(), panel->top(), 5, panel->height());
                QRgb bare = before.pixel(std::clamp(column.x() + 4, 0, 1279),
                                         std::clamp(column.y() + 10, 0, 799));
                if (o.painted < 0 && painted(x.grab(column), bare)) {
                    o.painted = msSince(start);
                }
                if (o.painted >= 0) {
                    QRect card(panel->left() + 12, panel->top() + 12, panel->width() - 24, 64);
                    // The card is drawn at full strength over most of its area.
                    if (tv::test::cardPixels(x.grab(card)) > card.width() * card.height() * 3 / 4) {
                        o.card = msSince(start);
                        break;
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        int status = 0;
        if (down > 0) {
            waitpid(down, &status, 0);
        }
        xdotool({"mouseup", "1"});
        openings.push_back(o);
        std::printf(
            "click %2d (button down %5.1f ms after xdotool started): mapped %6.1f ms, painted "
            "%6.1f ms, card shown %6.1f ms\n",
            i + 1, o.press, o.mapped, o.painted, o.card);
        std::fflush(stdout);
        xdotool({"key", "Escape"});
        tv::test::waitFor(3, [&] { return !x.window("TallyVane panel"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    xcb_disconnect(c);
    std::vector<double> mapped, shown, card;
    for (const Opening& o : openings) {
        if (o.mapped >= 0)
            mapped.push_back(o.mapped);
        if (o.painted >= 0)
            shown.push_back(o.painted);
        if (o.card >= 0)
            card.push_back(o.card);
    }
    std::printf("median of %d clicks: mapped %.1f ms, painted %.1f ms, card shown %.1f ms\n",
                clicks, median(mapped), median(shown), median(card));
    return shown.size() == openings.size() ? 0 : 1;
}
