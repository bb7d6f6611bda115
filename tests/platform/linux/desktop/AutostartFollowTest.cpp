#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/desktop/AutostartEntry.h"
#include "support/FixtureTree.h"

namespace tv::linux_os {
namespace {

using test::FixtureTree;

// The entry follows the program only when the one it starts is gone, and reads back the
// path it wrote even with spaces, quotes and dollar signs in it.
TEST(AutostartFollow, RewritesOnlyAnEnabledEntryWhoseProgramIsGone) {
    FixtureTree config;
    AutostartEntry entry(config.root());
    std::string gone = config.root() + "/old place/\"Tally\" $Vane/tallyvane";
    ASSERT_TRUE(entry.enable(gone));
    EXPECT_EQ(entry.program(), gone);

    ASSERT_TRUE(entry.follow("/bin/sh"));
    EXPECT_EQ(entry.program(), "/bin/sh");
    EXPECT_TRUE(entry.isEnabled());

    // Still there: another copy running (a build tree) does not take the entry over.
    ASSERT_TRUE(entry.follow("/usr/local/bin/tallyvane"));
    EXPECT_EQ(entry.program(), "/bin/sh");

    ASSERT_TRUE(entry.enable(gone));
    ASSERT_TRUE(entry.disable());
    ASSERT_TRUE(entry.follow("/bin/sh"));
    EXPECT_EQ(entry.program(), gone);
    EXPECT_FALSE(entry.isEnabled());
}

}  // namespace
}  // namespace tv::linux_os
