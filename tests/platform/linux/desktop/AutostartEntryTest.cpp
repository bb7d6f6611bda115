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
