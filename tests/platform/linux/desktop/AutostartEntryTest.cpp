#include "platform/linux/desktop/AutostartEntry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::AutostartEntry;
using test::FixtureTree;

std::string execLine(const std::string& entry) {
    std::istringstream in(entry);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Exec=", 0) == 0) {
            return line;
        }
    }
    return "";
}

TEST(AutostartEntry, ExecIsQuotedAsTheFormatAsksAndControlCharactersAreRefused) {
    FixtureTree tree;
    AutostartEntry entry(tree.root());
    ASSERT_TRUE(entry.enable("/opt/100%done/my \"app\" $HOME `x` \\y"));
    // Quoting escapes ", `, $ and \; the string escape doubles every backslash; % is doubled.
    EXPECT_EQ(execLine(test::textOf(entry.path())),
              "Exec=\"/opt/100%%done/my \\\\\"app\\\\\" \\\\$HOME \\\\`x\\\\` \\\\\\\\y\"");
    EXPECT_TRUE(entry.isEnabled());

    std::string before = test::textOf(entry.path());
    EXPECT_FALSE(entry.enable("/opt/app\nHidden=true"));
    EXPECT_FALSE(entry.enable("/opt/app\tx"));
    EXPECT_EQ(test::textOf(entry.path()), before);
}

// Turned off in the desktop's own startup settings, the entry stays in place with a mark of
// that desktop's; it is off until the user turns it on here again.
TEST(AutostartEntry, AnEntryTheDesktopSwitchedOffIsOff) {
    FixtureTree tree;
    AutostartEntry entry(tree.root());
    ASSERT_TRUE(entry.enable("/usr/bin/tallyvane"));
    std::string written = test::textOf(entry.path());
    auto switched = [&](const std::string& from, const std::string& to) {
        std::string text = written;
        text.replace(text.find(from), from.size(), to);
        tree.write("autostart/tallyvane.desktop", text);
    };
    switched("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false");
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(entry.follow("/opt/elsewhere/tallyvane"));
    EXPECT_EQ(entry.program(), "/usr/bin/tallyvane") << "an entry that is off is not followed";
    switched("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled = false");
    EXPECT_FALSE(entry.isEnabled());
    switched("X-GNOME-Autostart-enabled=true", "Hidden = true");
    EXPECT_FALSE(entry.isEnabled());

    // The same keys in another group, or other values, say nothing about the entry.
    tree.write(
        "autostart/tallyvane.desktop",
        written + "\n[Desktop Action Other]\nX-GNOME-Autostart-enabled=false\nHidden=true\n");
    EXPECT_TRUE(entry.isEnabled());
    switched("X-GNOME-Autostart-enabled=true", "Hidden=false");
    EXPECT_TRUE(entry.isEnabled());

    switched("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false");
    ASSERT_TRUE(entry.enable("/usr/bin/tallyvane"));
    EXPECT_TRUE(entry.isEnabled()) << "turned on again from the settings page";
}

// As a desktop's session starter reads the entry: it starts the program while it is there,
// and passes over the entry once the program is removed instead of failing at every login.
TEST(AutostartEntry, ADesktopStartsTheProgramOnlyWhileItIsInstalled) {
    FixtureTree tree;
    tree.write("opt/Tally Vane/tallyvane", "#!/bin/sh\n");
    std::string program = tree.root() + "/opt/Tally Vane/tallyvane";
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    AutostartEntry entry(tree.root() + "/config");
    ASSERT_TRUE(entry.enable(program));
    EXPECT_EQ(test::outputOf("desktop-file-validate '" + entry.path() + "' 2>&1"), "");

    // The starter of window managers without a session of their own, looking only here.
    std::string autostart = "env XDG_CONFIG_HOME='" + tree.root() + "/config' XDG_CONFIG_DIRS='" +
                            tree.root() + "/none' dex --autostart --dry-run 2>&1";
    EXPECT_NE(test::outputOf(autostart).find("Executing command: " + program), std::string::npos)
        << test::outputOf(autostart);
    ASSERT_EQ(::unlink(program.c_str()), 0);
    EXPECT_EQ(test::outputOf(autostart).find("Executing command"), std::string::npos)
        << test::outputOf(autostart);

    // Switched off and on again, moved by a later start: the entry still names what it starts.
    ASSERT_TRUE(entry.disable());
    EXPECT_NE(test::textOf(entry.path()).find("TryExec=" + program + "\n"), std::string::npos);
    ASSERT_TRUE(entry.enable(program));
    ASSERT_TRUE(entry.follow("/bin/sh"));
    EXPECT_NE(test::textOf(entry.path()).find("\nTryExec=/bin/sh\n"), std::string::npos);
    EXPECT_NE(test::outputOf(autostart).find("Executing command: /bin/sh"), std::string::npos);
}

TEST(AutostartEntry, PlantedLinksAndPipesAreNeverWrittenThroughOrWaitedOn) {
    FixtureTree tree;
    tree.write("victim", "precious\n");
    tree.write("autostart/.keep", "");
    AutostartEntry entry(tree.root());
    std::string victim = tree.root() + "/victim";
    ASSERT_EQ(::symlink(victim.c_str(), (entry.path() + ".new").c_str()), 0);
    ASSERT_TRUE(entry.enable("/usr/bin/tallyvane"));
    EXPECT_EQ(test::textOf(victim), "precious\n");

    ::unlink(entry.path().c_str());
    ASSERT_EQ(::symlink(victim.c_str(), entry.path().c_str()), 0);
    ASSERT_TRUE(entry.disable());
    ASSERT_TRUE(entry.enable("/usr/bin/tallyvane"));
    EXPECT_EQ(test::textOf(victim), "precious\n");
    struct stat info {};
    ASSERT_EQ(::lstat(entry.path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << "the link itself was replaced";

    ::unlink(entry.path().c_str());
    ASSERT_EQ(::mkfifo(entry.path().c_str(), 0600), 0);
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(entry.disable()) << "a pipe is not an entry to edit";
}

}  // namespace
}  // namespace tv
