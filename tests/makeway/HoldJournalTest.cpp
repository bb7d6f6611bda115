#include "makeway/HoldJournal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using test::Spawned;
using test::waitFor;

TEST(HoldJournalTest, ReadsBackWhatItWroteAndNothingElse) {
    HoldJournal journal{
        812, 4242, true, {{813, 99}, {900, 100}}, {"io 813 99 16388"}, {"/user.slice/app-x.scope"}};
    EXPECT_EQ(HoldJournal::parse(journal.text()), journal);
    EXPECT_EQ(journal.text(),
              "TallyVane hold journal 1\nowner 812 4242\nphase stopped\npaused 813 99\n"
              "paused 900 100\nband io 813 99 16388\nfrozen /user.slice/app-x.scope\n");
    const std::string good = journal.text();
    for (const std::string& bad : std::vector<std::string>{
             "kill -CONT 813 2>/dev/null; ",                // an old undo script
             good.substr(0, good.size() - 1),               // cut short
             "TallyVane hold journal 1\nphase stopped\n",   // no owner
             "TallyVane hold journal 1\nowner 812 4242\n",  // no phase
             good + "paused 813 -1\n",
             good + "paused 0 5\n",
             good + "paused 813 5 6\n",
             good + "paused 813 0x5\n",
             good + "rm -rf /\n",
             good + "band io\x1b]0;x\n",
             good + "paused 99999999999 5\n",
         }) {
        EXPECT_FALSE(HoldJournal::parse(bad)) << bad;
    }
    EXPECT_EQ(HoldJournal::ownerOfFile("held-812"), 812);
    for (const char* name : {"held-812.sh", "held-", "held--1", "held-0", "other-812"}) {
        EXPECT_FALSE(HoldJournal::ownerOfFile(name)) << name;
    }
}

class LeftoverJournalTest : public testing::Test {
  protected:
    static std::unique_ptr<Spawned> stoppedWorker() {
        auto p = std::make_unique<Spawned>(std::vector<std::string>{TALLYVANE_TEST_WORKER, "1"});
        ::kill(p->pid(), SIGSTOP);
        EXPECT_TRUE(waitFor(2, [&] { return test::processState(p->pid()) == 'T'; }));
        return p;
    }
    std::uint64_t startOf(pid_t pid) { return control.startedAt(pid).value(); }
    void write(std::int32_t owner, std::uint64_t ownerStarted, bool stopped,
               std::vector<HeldProcess> paused) {
        ASSERT_TRUE(folder.write(HoldJournal::fileName(owner),
                                 HoldJournal{owner, ownerStarted, stopped, paused, {}, {}}.text()));
    }
    int undo() { return undoLeftoverJournals(folder, ::getpid(), control, band); }

    QTemporaryDir dir;
    linux_os::LinuxPrivateFolder folder{dir.path().toStdString() + "/TallyVane"};
    linux_os::LinuxProcessControl control;
    linux_os::LinuxBackgroundBand band;
};

TEST_F(LeftoverJournalTest, OnlyWhatTheDeadOwnerStoppedIsContinued) {
    auto ours = stoppedWorker(), reused = stoppedWorker(), letRun = stoppedWorker();
    Spawned alive({"sleep", "600"});
    write(0x7FFFFFF0, 1, true, {{ours->pid(), startOf(ours->pid())}, {reused->pid(), 1}});
    write(0x7FFFFFF1, 1, false, {{letRun->pid(), startOf(letRun->pid())}});  // let-run phase
    write(alive.pid(), startOf(alive.pid()), true, {{ours->pid(), startOf(ours->pid())}});
    EXPECT_EQ(undo(), 2);
    EXPECT_TRUE(waitFor(2, [&] { return test::processState(ours->pid()) != 'T'; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(test::processState(reused->pid()), 'T') << "a pid of a later process";
    EXPECT_EQ(test::processState(letRun->pid()), 'T') << "stopped by someone else";
    EXPECT_EQ(folder.names(), std::vector<std::string>{HoldJournal::fileName(alive.pid())});
}

// A file planted by another user in a shared folder (as /tmp/TallyVane once was) runs
// nothing and changes nothing; the journal has no shared fallback.
TEST_F(LeftoverJournalTest, APlantedFileRunsNothingAndChangesNothing) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant a file as another user";
    }
    const std::string shared = dir.path().toStdString() + "/shared";
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared,
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const std::string marker = dir.path().toStdString() + "/ran";
    const std::string planted = shared + "/TallyVane";
    std::filesystem::create_directory(planted);
    for (const std::string name : {"held-12345.sh", "held-12345"}) {
        std::ofstream(planted + "/" + name) << "touch " << marker << "\n";
        ASSERT_EQ(::chown((planted + "/" + name).c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
    auto before = std::filesystem::last_write_time(planted + "/held-12345");

    linux_os::LinuxPrivateFolder sharedFolder(planted);
    EXPECT_FALSE(sharedFolder.usable());
    EXPECT_EQ(undoLeftoverJournals(sharedFolder, ::getpid(), control, band), 0);
    // Even in a folder of our own, a file that is not ours is not read.
    std::filesystem::rename(planted, dir.path().toStdString() + "/TallyVane");
    ASSERT_EQ(::chown((dir.path().toStdString() + "/TallyVane").c_str(), 0, 0), 0);
    std::filesystem::permissions(dir.path().toStdString() + "/TallyVane",
                                 std::filesystem::perms::owner_all);
    EXPECT_EQ(undo(), 0);
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_EQ(std::filesystem::last_write_time(folder.path() + "/held-12345"), before);

    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(linux_os::LinuxPrivateFolder::defaultPath(), "");
    if (runtime) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    }
    linux_os::LinuxPrivateFolder none("");
    EXPECT_FALSE(none.usable());
    EXPECT_EQ(none.describe(), "none: $XDG_RUNTIME_DIR is not set");
}

}  // namespace
}  // namespace tv
