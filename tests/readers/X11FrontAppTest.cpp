// The front window's process from a real X server (Xvfb), with windows the test makes and
// activates the way a window manager does.
#include "platform/linux/X11FrontApp.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::X11FrontApp;
using test::Spawned;
using test::waitFor;

class X11FrontAppTest : public testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "no Xvfb here";
        }
        int number = 90 + static_cast<int>(::getpid() % 100);
        display = ":" + std::to_string(number);
        server = std::make_unique<Spawned>(std::vector<std::string>{
            "sh", "-c",
            "exec Xvfb " + display + " -nolisten tcp -screen 0 320x240x24 2>/dev/null"});
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        ASSERT_TRUE(waitFor(10, [&] { return std::filesystem::exists(socket); }));
        ASSERT_TRUE(waitFor(10, [&] {
            c = xcb_connect(display.c_str(), nullptr);
            if (xcb_connection_has_error(c) == 0) {
                return true;
            }
            xcb_disconnect(c);
            c = nullptr;
            return false;
        }));
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    void TearDown() override {
        if (c != nullptr) {
            xcb_disconnect(c);
        }
        server.reset();
    }
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        xcb_atom_t value = reply->atom;
        std::free(reply);
        return value;
    }
    // A window whose _NET_WM_PID is `pid` (none when 0).
    xcb_window_t window(std::uint32_t pid) {
        xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (pid != 0) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                                32, 1, &pid);
        }
        xcb_flush(c);
        return w;
    }
    void activate(xcb_window_t w) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &w);
        xcb_flush(c);
    }

    std::string display;
    std::unique_ptr<Spawned> server;
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
};

TEST_F(X11FrontAppTest, FollowsTheActiveWindowButNeverTallyVanesOwn) {
    const std::int32_t tallyVane = 7777;
    xcb_window_t editor = window(4242), ours = window(tallyVane), nameless = window(0),
                 browser = window(5151);
    X11FrontApp front(tallyVane, display);
    ASSERT_TRUE(front.connected());
    EXPECT_FALSE(front.frontPid().has_value());
    activate(editor);
    EXPECT_TRUE(waitFor(5, [&] { return front.frontPid() == 4242; }));
    activate(ours);
    activate(nameless);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(front.frontPid(), 4242);  // the last known app stays in front
    activate(browser);
    EXPECT_TRUE(waitFor(5, [&] { return front.frontPid() == 5151; }));
}

TEST(X11FrontApp, NoDisplayMeansUnknown) {
    X11FrontApp front(1, ":999");
    EXPECT_FALSE(front.connected());
    EXPECT_FALSE(front.frontPid().has_value());
}

}  // namespace
}  // namespace tv
