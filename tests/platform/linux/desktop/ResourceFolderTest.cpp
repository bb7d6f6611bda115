#include <gtest/gtest.h>

#include "platform/linux/desktop/ResourceFolder.h"
#include "support/FixtureTree.h"

namespace tv::linux_os {
namespace {

using test::FixtureTree;

TEST(ResourceFolder, BuildTreeBesideTheProgramElseTheInstallationPrefix) {
    FixtureTree tree;
    const std::string& r = tree.root();
    tree.write("build/sounds/Select.wav", "x");
    tree.write("build/fonts/A.ttf", "x");
    tree.write("prefix/share/tallyvane/sounds/Select.wav", "x");
    tree.write("prefix/bin/fonts/.keep", "");  // any file counts
    EXPECT_EQ(resourceFolderOf(r + "/build/tallyvane", "sounds"), r + "/build/sounds");
    EXPECT_EQ(resourceFolderOf(r + "/build/tests/tallyvane_ui_tests", "fonts"), r + "/build/fonts");
    EXPECT_EQ(resourceFolderOf(r + "/prefix/bin/tallyvane", "sounds"),
              r + "/prefix/share/tallyvane/sounds");
    EXPECT_EQ(resourceFolderOf(r + "/prefix/bin/tallyvane", "fonts"), r + "/prefix/bin/fonts");
    tree.remove("prefix/share/tallyvane/sounds/Select.wav");  // an empty folder is no folder
    EXPECT_EQ(resourceFolderOf(r + "/prefix/bin/tallyvane", "sounds"), "");
}

}  // namespace
}  // namespace tv::linux_os
