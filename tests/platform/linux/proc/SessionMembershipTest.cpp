#include "platform/linux/proc/SessionMembership.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

using linux_os::displayNumber;
using linux_os::loginSessionOf;
using linux_os::SessionMembership;

std::string environ(std::initializer_list<std::string> entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += entry + '\0';
    }
    return text;
}

TEST(SessionMembership, LoginSessionsAndDisplaysAreReadAsTheSystemWritesThem) {
    EXPECT_EQ(loginSessionOf("/user.slice/user-1000.slice/session-3.scope"), "3");
    EXPECT_EQ(loginSessionOf("/user.slice/user-1000.slice/session-c2.scope/sub"), "c2");
    EXPECT_EQ(loginSessionOf("/user.slice/user-1000.slice/user@1000.service/app.slice/"
                             "app-org.gnome.Terminal-1.scope"),
              "");
    EXPECT_EQ(loginSessionOf("/session-.scope"), "");
    EXPECT_EQ(loginSessionOf("/user.slice/session-3.scopex"), "");
    EXPECT_EQ(loginSessionOf(""), "");
    EXPECT_EQ(displayNumber(":0"), "0");
    EXPECT_EQ(displayNumber(":12.1"), "12");
    EXPECT_EQ(displayNumber("unix:3"), "3");
    EXPECT_EQ(displayNumber("localhost:10.0"), "");
    EXPECT_EQ(displayNumber("wayland-0"), "");
    EXPECT_EQ(displayNumber(":x"), "");
}

TEST(SessionMembership, WhatAProcessStartedWithTellsWhoseSessionItIs) {
    SessionMembership x11({"", ":1", "", ""});
    EXPECT_TRUE(x11.byEnvironment(environ({"DISPLAY=:1.0"})));
    EXPECT_TRUE(x11.byEnvironment(environ({"DISPLAYS=:7", "DISPLAY=unix:1"})));
    EXPECT_FALSE(x11.byEnvironment(environ({"DISPLAY=:2"})));
    EXPECT_FALSE(x11.byEnvironment(environ({"SSH_CONNECTION=192.0.2.9 4 192.0.2.1 22"})));
    EXPECT_TRUE(
        x11.byEnvironment(environ({"SSH_CONNECTION=192.0.2.9 4 192.0.2.1 22", "DISPLAY=:1"})))
        << "started from a login elsewhere, but shown on this desktop";
    EXPECT_TRUE(x11.byEnvironment(environ({"PATH=/bin", "DISPLAY="})));
    EXPECT_TRUE(x11.byEnvironment(""));
    EXPECT_FALSE(x11.byCgroup("/user.slice/user-1000.slice/session-2.scope").has_value())
        << "no login session of our own to compare with";

    SessionMembership wayland({"5", "", "/run/user/1000/wayland-1", ""});
    EXPECT_TRUE(wayland.byEnvironment(environ({"WAYLAND_DISPLAY=wayland-1", "DISPLAY=:0"})));
    EXPECT_FALSE(wayland.byEnvironment(environ({"WAYLAND_DISPLAY=wayland-2"})));
    EXPECT_FALSE(wayland.byEnvironment(environ({"XDG_SESSION_ID=6"})));
    EXPECT_TRUE(wayland.byEnvironment(environ({"XDG_SESSION_ID=5"})));
    EXPECT_EQ(wayland.byCgroup("/user.slice/user-1000.slice/session-5.scope"), true);
    EXPECT_EQ(wayland.byCgroup("/user.slice/user-1000.slice/session-6.scope"), false);
    EXPECT_FALSE(wayland
                     .byCgroup("/user.slice/user-1000.slice/user@1000.service/app.slice/"
                               "app-x-1.scope")
                     .has_value());
    EXPECT_NE(wayland.describe().find("login session 5"), std::string::npos);
}

}  // namespace
}  // namespace tv
