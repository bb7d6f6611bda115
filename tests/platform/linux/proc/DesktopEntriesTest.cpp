#include "platform/linux/proc/DesktopEntries.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/linux/proc/AppScope.h"
#include "support/FixtureTree.h"

namespace tv {
namespace {

using namespace linux_os;
using test::FixtureTree;

TEST(AppScope, UnitNamesGiveDesktopIds) {
    using Ids = std::vector<std::string>;
    EXPECT_EQ(desktopIdsOfUnit("app-gnome-org.gnome.TextEditor-4242.scope"),
              (Ids{"org.gnome.TextEditor", "gnome-org.gnome.TextEditor"}));
    EXPECT_EQ(desktopIdsOfUnit("app-org.kde.dolphin-a1b2c3.scope"), (Ids{"org.kde.dolphin"}));
    EXPECT_EQ(desktopIdsOfUnit("app-gnome-firefox\\x2desr-99.scope"),
              (Ids{"firefox-esr", "gnome-firefox-esr"}));
    EXPECT_EQ(desktopIdsOfUnit("app-flatpak-org.mozilla.firefox-1234.scope"),
              (Ids{"org.mozilla.firefox", "flatpak-org.mozilla.firefox"}));
    EXPECT_EQ(desktopIdsOfUnit("app-org.kde.konsole@0a1b2c.service"), (Ids{"org.kde.konsole"}));
    EXPECT_EQ(
        desktopIdsOfUnit("app-gnome-org.gnome.Evolution\\x2dalarm\\x2dnotify-autostart.service"),
        (Ids{"org.gnome.Evolution-alarm-notify", "gnome-org.gnome.Evolution-alarm-notify"}));
    EXPECT_EQ(desktopIdsOfUnit("snap.firefox.firefox-3c1d9f.scope"), (Ids{"firefox_firefox"}));
    EXPECT_TRUE(desktopIdsOfUnit("vte-spawn-8a9b.scope").empty());
    EXPECT_TRUE(desktopIdsOfUnit("session-2.scope").empty());
    EXPECT_TRUE(desktopIdsOfUnit("app.slice").empty());
    EXPECT_TRUE(desktopIdsOfUnit("app-.scope").empty());
    EXPECT_TRUE(desktopIdsOfUnit("").empty());
    // Found by fuzzing: a raw NUL (or slash) went into the id, where an escaped one is dropped.
    EXPECT_TRUE(desktopIdsOfUnit(std::string("app-org.kde.dolphi\0n@3f2a.service", 33)).empty());
    EXPECT_TRUE(desktopIdsOfUnit("app-../x-1.scope").empty());
    // An escaped slash cannot lead out of the applications folders.
    EXPECT_EQ(desktopIdsOfUnit("app-..\\x2f..\\x2fetc\\x2fpasswd-1.scope"), (Ids{"....etcpasswd"}));
}

TEST(AppScope, CgroupPathsFromEitherHierarchy) {
    EXPECT_EQ(cgroupPath("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                         "app-gnome-org.gnome.Nautilus-77.scope\n"),
              "/user.slice/user-1000.slice/user@1000.service/app.slice/"
              "app-gnome-org.gnome.Nautilus-77.scope");
    EXPECT_EQ(cgroupPath("12:pids:/\n1:name=systemd:/user.slice/app-x-1.scope\n0::/\n"),
              "/user.slice/app-x-1.scope");
    EXPECT_EQ(cgroupPath("garbage"), "");
    EXPECT_EQ(lastComponent("/a/b/c.scope"), "c.scope");
}

TEST(DesktopEntries, ParsesTheEntryGroupWithTheUsersLanguage) {
    const char* text =
        "# comment\n[Desktop Entry]\nType=Application\nName=Text Editor\nName[de]=Texteditor\n"
        "Name[de_AT]=Texteditor (AT)\nExec=\"/opt/My Editor/editor\" %U\n"
        "[Desktop Action new]\nName=New Window\nExec=other\n";
    auto de = parseDesktopFile(text, "de_DE.UTF-8");
    ASSERT_TRUE(de.has_value());
    EXPECT_EQ(de->name, "Texteditor");
    EXPECT_EQ(parseDesktopFile(text, "de_AT.UTF-8")->name, "Texteditor (AT)");
    EXPECT_EQ(parseDesktopFile(text, "C")->name, "Text Editor");
    EXPECT_EQ(de->exec, "\"/opt/My Editor/editor\" %U");
    EXPECT_TRUE(de->application);
    EXPECT_FALSE(parseDesktopFile("Name=x\n", "C").has_value());
    EXPECT_FALSE(parseDesktopFile("[Desktop Entry]\nType=Link\n", "C")->application);
}

TEST(DesktopEntries, ExecPrograms) {
    EXPECT_EQ(execProgram("gedit %U"), "gedit");
    EXPECT_EQ(execProgram("\"/opt/My Editor/editor\" --new"), "/opt/My Editor/editor");
    EXPECT_EQ(execProgram("env GDK_BACKEND=x11 LANG=C /usr/bin/app -x"), "/usr/bin/app");
    EXPECT_EQ(execProgram(""), "");
    EXPECT_EQ(execProgram("\"unterminated"), "unterminated");
    // Found by fuzzing: a NUL cut the program's path short, naming another file.
    EXPECT_EQ(execProgram(std::string("/usr/bin/editor\0-evil --x", 25)), "");
}

class DesktopFolders : public testing::Test {
  protected:
    DesktopFolders() {
        tree.write("home/applications/editor.desktop",
                   "[Desktop Entry]\nType=Application\nName=My Editor\nExec=editor %F\n");
        tree.write("usr/applications/editor.desktop",
                   "[Desktop Entry]\nType=Application\nName=System Editor\nExec=editor\n");
        tree.write("usr/applications/kde4/dolphin.desktop",
                   "[Desktop Entry]\nType=Application\nName=Dolphin\nExec=dolphin\n");
        tree.write("usr/applications/script.desktop",
                   "[Desktop Entry]\nType=Application\nName=Script\nExec=python3 /x.py\n");
        tree.write("usr/applications/broken.desktop", "\x01\x02 not a desktop file at all");
        tree.write("usr/applications/gone.desktop",
                   "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
        tree.write("bin/editor", "#!/bin/true\n");
        tree.write("bin/python3", "");
    }
    DesktopEntries entries() {
        return DesktopEntries({tree.root() + "/home", tree.root() + "/usr"}, {tree.root() + "/bin"},
                              "C");
    }
    FixtureTree tree;
};

TEST_F(DesktopFolders, TheFirstFolderWinsAndSubfoldersJoinWithDashes) {
    DesktopEntries e = entries();
    ASSERT_NE(e.byId("editor"), nullptr);
    EXPECT_EQ(e.byId("editor")->name, "My Editor");
    EXPECT_EQ(e.byId("editor")->path, tree.root() + "/home/applications/editor.desktop");
    ASSERT_NE(e.byId("kde4-dolphin"), nullptr);
    EXPECT_EQ(e.byId("broken"), nullptr);
    EXPECT_EQ(e.byId("gone"), nullptr);
    EXPECT_EQ(e.byId("nothing"), nullptr);
}

TEST_F(DesktopFolders, ExecutablesMatchButInterpretersNever) {
    DesktopEntries e = entries();
    ASSERT_NE(e.byExecutable(tree.root() + "/bin/editor"), nullptr);
    EXPECT_EQ(e.byExecutable(tree.root() + "/bin/editor")->id, "editor");
    EXPECT_EQ(e.byExecutable(tree.root() + "/bin/python3"), nullptr);
}

TEST_F(DesktopFolders, ANewFileIsFoundAfterTheFolderChanges) {
    DesktopEntries e = entries();
    EXPECT_EQ(e.byId("late"), nullptr);
    tree.write("usr/applications/late.desktop", "[Desktop Entry]\nType=Application\nName=Late\n");
    // Make the change visible even on file systems with coarse timestamps.
    timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ::utimensat(AT_FDCWD, (tree.root() + "/usr/applications").c_str(), times, 0);
    e.refreshIfChanged();
    ASSERT_NE(e.byId("late"), nullptr);
    EXPECT_EQ(e.byId("late")->name, "Late");
}

}  // namespace
}  // namespace tv
