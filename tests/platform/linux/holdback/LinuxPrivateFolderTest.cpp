#include "platform/linux/holdback/LinuxPrivateFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tv::linux_os {
namespace {

namespace fs = std::filesystem;

class LinuxPrivateFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("tv-private-" + std::to_string(::getpid()));
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(LinuxPrivateFolderTest, IsMadePrivateAndRefusedWhenItIsNotOurs) {
    LinuxPrivateFolder folder((root / "TallyVane").string());
    EXPECT_TRUE(folder.usable());
    EXPECT_EQ(fs::status(root / "TallyVane").permissions(), fs::perms::owner_all);
    EXPECT_TRUE(folder.write("held-1", "text\n"));
    EXPECT_EQ(folder.read("held-1"), "text\n");

    fs::permissions(root / "TallyVane",
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_FALSE(folder.usable());
    EXPECT_EQ(folder.describe(),
              "none: " + (root / "TallyVane").string() + " has mode 0750, not 0700");
    EXPECT_FALSE(folder.read("held-1"));
    EXPECT_FALSE(folder.write("held-2", "x"));

    fs::create_directory(root / "elsewhere", root);
    fs::permissions(root / "elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(root / "elsewhere", root / "Linked");
    LinuxPrivateFolder linked((root / "Linked").string());
    EXPECT_FALSE(linked.usable());
    EXPECT_FALSE(linked.write("held-1", "x"));
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
}

TEST_F(LinuxPrivateFolderTest, OnlyOurOwnRegularFilesAreReadAndLinksAreNeverFollowed) {
    LinuxPrivateFolder folder((root / "TallyVane").string());
    ASSERT_TRUE(folder.usable());
    const fs::path in = root / "TallyVane";
    std::ofstream(root / "target") << "outside\n";
    fs::create_symlink(root / "target", in / "linked");
    std::ofstream(in / "shared") << "x\n";
    fs::permissions(in / "shared",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write);
    ASSERT_EQ(::mkfifo((in / "pipe").c_str(), 0600), 0);
    std::ofstream(in / "large") << std::string(LinuxPrivateFolder::largestFile + 1, 'x');
    for (const char* name : {"linked", "shared", "pipe", "large", "missing", "../target"}) {
        EXPECT_FALSE(folder.read(name)) << name;
    }
    // Writing replaces a planted link instead of writing through it.
    EXPECT_TRUE(folder.write("linked", "ours\n"));
    EXPECT_EQ(folder.read("linked"), "ours\n");
    std::ifstream target(root / "target");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(target), {}), "outside\n");
    if (::geteuid() == 0) {
        std::ofstream(in / "theirs") << "x\n";
        ASSERT_EQ(::chown((in / "theirs").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(folder.read("theirs"));
    }
    folder.remove("linked");
    EXPECT_FALSE(fs::exists(in / "linked"));
}

}  // namespace
}  // namespace tv::linux_os
