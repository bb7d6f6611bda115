// The front window's process on a real X server with a window manager: windows are made
// active through it (`wmctrl -a`), as a user's click would.
#include "platform/linux/focus/X11FrontApp.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/DesktopRig.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::X11FrontApp;
using test::DesktopRig;
using test::outputOf;
using test::Spawned;
using test::waitFor;

class X11FrontAppTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.started()) << "the desktop rig did not start";
        ASSERT_TRUE(waitFor(20, [&] {
            return outputOf(rig.inRig("xprop -root _NET_SUPPORTING_WM_CHECK")).find("window id") !=
                   std::string::npos;
        })) << "no window manager";
    }

    std::unique_ptr<Spawned> onDisplay(const std::vector<std::string>& command) {
        std::vector<std::string> argv{"env", "DISPLAY=" + rig.env("DISPLAY")};
        argv.insert(argv.end(), command.begin(), command.end());
        return std::make_unique<Spawned>(argv);
    }
    std::unique_ptr<Spawned> terminal() {
        auto xterm = onDisplay({"xterm", "-T", "Terminal", "-e", "sleep 600"});
        EXPECT_TRUE(waitFor(30, [&] { return activate("Terminal"); }));
        return xterm;
    }
    // Through the window manager, as a click would.
    bool activate(const std::string& title) {
        return outputOf(rig.inRig("wmctrl -a '" + title + "' && echo done")) == "done";
    }

    DesktopRig rig{{"wm"}};
};

TEST_F(X11FrontAppTest, TheProcessTheServerSawOrUnknownButNeverThePreviousApp) {
    X11FrontApp front(static_cast<std::int32_t>(::getpid()), rig.env("DISPLAY"));
    ASSERT_TRUE(front.connected());
    auto xterm = terminal();
    EXPECT_TRUE(waitFor(5, [&] { return front.frontPid() == xterm->pid(); }));

    // A window that names no process: the X server knows who made it.
    auto nameless = onDisplay({TALLYVANE_TEST_FRONT, "Nameless", "--no-pid"});
    ASSERT_TRUE(waitFor(10, [&] { return activate("Nameless"); }));
    EXPECT_TRUE(waitFor(5, [&] { return front.frontPid() == nameless->pid(); }))
        << front.frontPid().value_or(-1);

    // TallyVane's own window leaves the app before it in front.
    xcb_connection_t* c = xcb_connect(rig.env("DISPLAY").c_str(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t ours = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, ours, screen->root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, ours, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 4,
                        "Ours");
    xcb_map_window(c, ours);
    xcb_flush(c);
    ASSERT_TRUE(waitFor(10, [&] { return activate("Ours"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(front.frontPid(), nameless->pid());
    xcb_disconnect(c);

    // Once the front window is gone, nobody is in front (the window manager here leaves the
    // destroyed window named active).
    ASSERT_TRUE(waitFor(10, [&] { return activate("Nameless"); }));
    ASSERT_TRUE(waitFor(5, [&] { return front.frontPid() == nameless->pid(); }));
    xterm.reset();
    nameless.reset();
    EXPECT_TRUE(waitFor(5, [&] { return !front.frontPid().has_value(); }))
        << front.frontPid().value_or(-1);
}

TEST_F(X11FrontAppTest, InAWaylandSessionAnXWindowIsFrontOnlyWhileItHoldsTheFocus) {
    X11FrontApp front(static_cast<std::int32_t>(::getpid()), rig.env("DISPLAY"), true);
    auto xterm = terminal();
    EXPECT_TRUE(waitFor(5, [&] { return front.frontPid() == xterm->pid(); }));
    // A native Wayland window takes the focus: the X window named active no longer holds it.
    // (A window the window manager does not manage takes it here, so it stays away.)
    xcb_connection_t* c = xcb_connect(rig.env("DISPLAY").c_str(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t elsewhere = xcb_generate_id(c);
    const std::uint32_t unmanaged = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, elsewhere, screen->root, 0, 0, 20, 20, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_OVERRIDE_REDIRECT,
                      &unmanaged);
    xcb_map_window(c, elsewhere);
    // A terminal still starting up may take the focus back once (answering the window
    // manager's offer late): the focus is put elsewhere again until it stays there.
    auto focusIsElsewhere = [&] {
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const bool there = focus && focus->focus == elsewhere;
        std::free(focus);
        if (!there) {
            xcb_set_input_focus(c, XCB_INPUT_FOCUS_NONE, elsewhere, XCB_CURRENT_TIME);
            xcb_flush(c);
        }
        return there;
    };
    EXPECT_TRUE(waitFor(5, [&] { return focusIsElsewhere() && !front.frontPid().has_value(); }));
    xcb_disconnect(c);
}

TEST(X11FrontApp, NoDisplayMeansUnknown) {
    X11FrontApp front(1, ":999");
    EXPECT_FALSE(front.connected());
    EXPECT_FALSE(front.frontPid().has_value());
}

}  // namespace
}  // namespace tv
