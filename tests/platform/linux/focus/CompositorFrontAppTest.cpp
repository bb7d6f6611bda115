#include "platform/linux/focus/CompositorFrontApp.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/linux/desktop/SwayWindowPlacer.h"
#include "platform/linux/focus/FocusJson.h"
#include "platform/linux/focus/FrontAppChoice.h"
#include "platform/linux/focus/GnomeShellExtension.h"

namespace tv::linux_os {
namespace {

// A sway tree trimmed to what matters: outputs, a workspace, a split, views, a floating one.
constexpr const char* tree = R"({"id":1,"type":"root","focused":false,"nodes":[
  {"id":2,"type":"output","name":"HEADLESS-1","focused":false,"rect":{"x":0,"y":0},"nodes":[
    {"id":3,"type":"workspace","name":"1","focused":false,"nodes":[
      {"id":4,"type":"con","focused":false,"nodes":[
        {"id":5,"type":"con","name":"editor \"main\"","pid":4321,"focused":false,"nodes":[]},
        {"id":6,"type":"con","name":"term","pid":8765,"focused":true,"app_id":"foot",
         "marks":[],"nodes":[]}]}],
     "floating_nodes":[{"id":7,"type":"floating_con","pid":999,"focused":false,"nodes":[]}]}]}]})";

TEST(CompositorFrontAppTest, TheFocusedViewsPidIsReadFromTheTreeAndNothingElse) {
    EXPECT_EQ(focusedPidInTree(tree), 8765);
    // The focus on an empty workspace: no window, so unknown rather than some other pid.
    EXPECT_EQ(
        focusedPidInTree(R"({"focused":false,"pid":1,"nodes":[{"focused":true,"nodes":[]}]})"),
        std::nullopt);
    EXPECT_EQ(focusedPidInTree(std::string(tree).substr(0, 300)), std::nullopt) << "cut short";
    EXPECT_EQ(focusedPidInTree(R"({"focused":true,"pid":"12"})"), std::nullopt);
    EXPECT_EQ(focusedPidInTree(std::string(5000, '[')), std::nullopt) << "too deep";

    EXPECT_EQ(topLevelPid(R"({"address":"0x5","pid":2468,"workspace":{"id":1,"pid":7}})"), 2468);
    EXPECT_EQ(topLevelPid("{}"), std::nullopt) << "no window has focus";
    EXPECT_EQ(topLevelPid("unknown request"), std::nullopt);
}

TEST(CompositorFrontAppTest, OurWindowIsFoundByPidAndTitleAndMovedInsideTheUsableArea) {
    // A bar 30 high over a 1280 x 800 output; our panel floats, another window of ours tiles.
    constexpr const char* ours = R"({"type":"root","nodes":[{"type":"output","nodes":[
      {"type":"workspace","rect":{"x":0,"y":30,"width":1280,"height":770},
       "nodes":[{"id":8,"type":"con","name":"Settings","pid":77,"rect":{"width":600}}],
       "floating_nodes":[{"id":9,"type":"floating_con","name":"TallyVane panel","pid":77,
                          "rect":{"x":460,"y":200,"width":360,"height":500}}]}]}]})";
    auto panel = SwayWindow::find(ours, 77, "TallyVane panel");
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->moveCommand(700, 40),
              "[con_id=9] floating enable, move absolute position 700 40");
    EXPECT_EQ(panel->moveCommand(1100, 5),
              "[con_id=9] floating enable, move absolute position 920 30")
        << "kept off the bar and inside the right edge";
    EXPECT_EQ(panel->moveCommand(-50, 600),
              "[con_id=9] floating enable, move absolute position 0 300");
    EXPECT_FALSE(SwayWindow::find(ours, 78, "TallyVane panel")) << "another process's window";
    EXPECT_FALSE(SwayWindow::find(ours, 77, "TallyVane")) << "the whole title only";
    EXPECT_FALSE(SwayWindow::find(std::string(ours).substr(0, 200), 77, "TallyVane panel"));
    EXPECT_FALSE(SwayWindow::find(std::string(5000, '['), 77, "TallyVane panel"));

    auto area =
        focusedWorkspaceArea(R"([{"focused":false,"rect":{"x":1280,"y":0,"width":800,"height":600}},
      {"focused":true,"rect":{"x":0,"y":30,"width":1280,"height":770}}])");
    ASSERT_TRUE(area);
    EXPECT_EQ(std::tuple(area->x, area->y, area->width, area->height),
              std::tuple(0, 30, 1280, 770));
    EXPECT_FALSE(focusedWorkspaceArea(R"([{"focused":true,"rect":{"width":0}}])"));
    EXPECT_FALSE(focusedWorkspaceArea("not json"));
}

TEST(CompositorFrontAppTest, TheSourceIsChosenFromTheSessionsEnvironment) {
    auto choose = [](std::map<std::string, std::string> env, bool exists) {
        return FrontAppChoice::of([&](const char* key) { return env[key]; },
                                  [&](const std::string&) { return exists; });
    };
    EXPECT_EQ(choose({}, false).kind, FrontAppChoice::Kind::x11);
    EXPECT_EQ(choose({}, false).describe(), "X11 active window");
    FrontAppChoice sway = choose({{"SWAYSOCK", "/run/user/1/sway-ipc.sock"}}, false);
    EXPECT_EQ(sway.kind, FrontAppChoice::Kind::sway);
    EXPECT_EQ(sway.describe(), "sway IPC at /run/user/1/sway-ipc.sock");
    std::map<std::string, std::string> hypr{{"HYPRLAND_INSTANCE_SIGNATURE", "abc"},
                                            {"XDG_RUNTIME_DIR", "/run/user/1"}};
    EXPECT_EQ(choose(hypr, true).socket, "/run/user/1/hypr/abc/.socket.sock");
    EXPECT_EQ(choose(hypr, false).socket, "/tmp/hypr/abc/.socket.sock");

    // KWin's script only where KWin is on the bus of a Wayland session.
    auto withKWin = [](std::map<std::string, std::string> env) {
        return FrontAppChoice::of([&](const char* key) { return env[key]; },
                                  [](const std::string&) { return false; },
                                  [](const std::string& name) { return name == "org.kde.KWin"; });
    };
    EXPECT_EQ(withKWin({{"WAYLAND_DISPLAY", "wayland-0"}}).describe(), "KWin script");
    EXPECT_EQ(withKWin({{"XDG_SESSION_TYPE", "wayland"}}).kind, FrontAppChoice::Kind::kwin);
    EXPECT_EQ(withKWin({{"DISPLAY", ":0"}}).kind, FrontAppChoice::Kind::x11);
    EXPECT_EQ(choose({{"WAYLAND_DISPLAY", "wayland-0"}}, false).kind, FrontAppChoice::Kind::x11);

    // Our GNOME Shell extension likewise where the shell is on the bus of a Wayland session.
    auto withShell = [](std::map<std::string, std::string> env) {
        return FrontAppChoice::of(
            [&](const char* key) { return env[key]; }, [](const std::string&) { return false; },
            [](const std::string& name) { return name == "org.gnome.Shell"; });
    };
    EXPECT_EQ(withShell({{"WAYLAND_DISPLAY", "wayland-0"}}).describe(), "GNOME Shell extension");
    EXPECT_EQ(withShell({{"DISPLAY", ":0"}}).kind, FrontAppChoice::Kind::x11);
    // Which GNOME sessions need it at all: Wayland ones only.
    auto needed = [](std::map<std::string, std::string> env) {
        return GnomeShellExtension::needed([&](const char* key) { return env[key]; });
    };
    EXPECT_TRUE(needed({{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"XDG_SESSION_TYPE", "wayland"}}));
    EXPECT_FALSE(needed({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "x11"}}));
    EXPECT_FALSE(needed({{"XDG_CURRENT_DESKTOP", "KDE"}, {"WAYLAND_DISPLAY", "wayland-0"}}));
}

// Answers requests on a unix socket the way the compositor would, one answer per connection.
class FakeCompositor {
  public:
    FakeCompositor(const std::string& path, std::string answer, bool i3)
        : FakeCompositor(path, std::vector<std::string>{std::move(answer)}, i3) {}
    FakeCompositor(const std::string& path, std::vector<std::string> answers, bool i3)
        : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 1);
        thread_ = std::thread([this, answers = std::move(answers), i3] {
            for (const std::string& answer : answers) {
                int client = ::accept(fd_, nullptr, nullptr);
                char request[14] = {};
                ssize_t got = ::recv(client, request, sizeof request, 0);
                requests_.emplace_back(request,
                                       static_cast<std::size_t>(std::max<ssize_t>(0, got)));
                std::string reply = answer;
                if (i3) {
                    auto length = static_cast<std::uint32_t>(answer.size());
                    std::uint32_t type = 4;
                    reply = std::string("i3-ipc") +
                            std::string(reinterpret_cast<char*>(&length), 4) +
                            std::string(reinterpret_cast<char*>(&type), 4) + answer;
                }
                ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
                ::close(client);
            }
        });
    }
    // What was asked first, and everything asked, once all is answered.
    std::string request() { return requests().front(); }
    std::vector<std::string> requests() {
        thread_.join();
        return requests_;
    }
    ~FakeCompositor() {
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(fd_);
        ::unlink(path_.c_str());
    }

  private:
    std::string path_;
    int fd_ = -1;
    std::thread thread_;
    std::vector<std::string> requests_;
};

TEST(CompositorFrontAppTest, TheCompositorIsAskedOverItsSocketAndOurOwnWindowIsNoAnswer) {
    char dir[] = "/tmp/tv-compositor-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    std::string socket = std::string(dir) + "/ipc.sock";
    using Protocol = CompositorFrontApp::Protocol;
    {
        FakeCompositor sway(socket, tree, true);
        EXPECT_EQ(CompositorFrontApp(Protocol::i3, socket, 1).frontPid(), 8765);
        EXPECT_EQ(sway.request().substr(0, 6), "i3-ipc");
    }
    {
        FakeCompositor sway(socket, tree, true);
        EXPECT_EQ(CompositorFrontApp(Protocol::i3, socket, 8765).frontPid(), std::nullopt)
            << "TallyVane's own window, with no app before it";
    }
    {
        FakeCompositor hyprland(socket, R"({"pid":2468})", false);
        EXPECT_EQ(CompositorFrontApp(Protocol::hyprland, socket, 1).frontPid(), 2468);
        EXPECT_EQ(hyprland.request(), "j/activewindow");
    }
    EXPECT_EQ(CompositorFrontApp(Protocol::i3, socket, 1).frontPid(), std::nullopt)
        << "no compositor";
    ::rmdir(dir);
}

// Opening the panel focuses TallyVane's own window; the user's app stays the one in front
// for as long as it still has a window.
TEST(CompositorFrontAppTest, OurOwnWindowLeavesTheAppBeforeItInFrontWhileThatAppHasAWindow) {
    char dir[] = "/tmp/tv-compositor-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    std::string socket = std::string(dir) + "/ipc.sock";
    using Protocol = CompositorFrontApp::Protocol;
    const std::string editorInFront = R"({"nodes":[{"pid":4321,"focused":true,"nodes":[]},
        {"pid":8765,"focused":false,"nodes":[]}]})";
    const std::string oursInFront = R"({"nodes":[{"pid":4321,"focused":false,"nodes":[]},
        {"pid":8765,"focused":true,"nodes":[]}]})";
    const std::string editorClosed = R"({"nodes":[{"pid":8765,"focused":true,"nodes":[]}]})";
    {
        CompositorFrontApp source(Protocol::i3, socket, 8765);
        FakeCompositor sway(socket, {editorInFront, oursInFront, editorClosed, oursInFront}, true);
        EXPECT_EQ(source.frontPid(), 4321);
        EXPECT_EQ(source.frontPid(), 4321) << "the panel in front";
        EXPECT_EQ(source.frontPid(), std::nullopt) << "the app before it closed its window";
        EXPECT_EQ(source.frontPid(), std::nullopt) << "and is not remembered after";
        EXPECT_EQ(sway.requests().size(), 4u) << "one request each";
    }
    {
        CompositorFrontApp source(Protocol::hyprland, socket, 2468);
        FakeCompositor hyprland(
            socket,
            {R"({"pid":1357})", R"({"pid":2468})", R"([{"pid":1357},{"pid":2468}])",
             R"({"pid":2468})", R"([{"pid":2468}])"},
            false);
        EXPECT_EQ(source.frontPid(), 1357);
        EXPECT_EQ(source.frontPid(), 1357) << "the panel in front";
        EXPECT_EQ(source.frontPid(), std::nullopt) << "the app before it has no window left";
        EXPECT_EQ(hyprland.requests(),
                  (std::vector<std::string>{"j/activewindow", "j/activewindow", "j/clients",
                                            "j/activewindow", "j/clients"}));
    }
    EXPECT_TRUE(hasWindowOf(oursInFront, 4321));
    EXPECT_FALSE(hasWindowOf(editorClosed, 4321));
    EXPECT_FALSE(hasWindowOf(oursInFront.substr(0, 30), 4321)) << "cut short";
    ::rmdir(dir);
}

}  // namespace
}  // namespace tv::linux_os
