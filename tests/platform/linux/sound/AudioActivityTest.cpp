// Audio users from a real sound server on a private socket.
#include "platform/linux/sound/LinuxAudioActivity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/FixtureTree.h"
#include "support/Spawned.h"

namespace tv {
namespace {

using linux_os::LinuxAudioActivity;
using test::Spawned;
using test::waitFor;

class AudioActivityTest : public testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v pulseaudio >/dev/null && command -v pacat >/dev/null") != 0) {
            GTEST_SKIP() << "no pulseaudio here";
        }
        socket = tree.root() + "/pulse/native";
        ::setenv("XDG_RUNTIME_DIR", tree.root().c_str(), 1);
        ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
        server = std::make_unique<Spawned>(std::vector<std::string>{
            "sh", "-c",
            "exec pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n "
            "-L module-null-sink -L 'module-null-source source_name=mic' "
            "-L module-native-protocol-unix 2>/dev/null"});
        ASSERT_TRUE(waitFor(10, [&] { return std::filesystem::exists(socket); }));
    }
    void TearDown() override {
        server.reset();
        ::unsetenv("PULSE_SERVER");
        ::unsetenv("XDG_RUNTIME_DIR");
    }

    test::FixtureTree tree;
    std::string socket;
    std::unique_ptr<Spawned> server;
};

TEST_F(AudioActivityTest, PlayersAndRecordersButNotMonitorListeners) {
    LinuxAudioActivity audio;
    ASSERT_TRUE(waitFor(5, [&] { return audio.available(); }));
    EXPECT_TRUE(audio.pids().empty());
    Spawned player({"pacat", "--playback", "/dev/zero"});
    Spawned recorder({"pacat", "--record", "-d", "mic", "/dev/null"});
    Spawned meter({"pacat", "--record", "-d", "null.monitor", "/dev/null"});
    Spawned corked({TALLYVANE_TEST_CORKED});
    EXPECT_TRUE(waitFor(10, [&] {
        auto pids = audio.pids();
        return pids.count(player.pid()) && pids.count(recorder.pid());
    }));
    // The server lists the corked stream and the meter too; give it time to say so.
    ASSERT_TRUE(waitFor(10, [] {
        return std::system("test \"$(pactl list short sink-inputs | wc -l)\" = 2") == 0;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(audio.pids().count(meter.pid()), 0u);
    EXPECT_EQ(audio.pids().count(corked.pid()), 0u);
}

TEST_F(AudioActivityTest, AStreamThatEndsLeavesTheSet) {
    LinuxAudioActivity audio;
    ASSERT_TRUE(waitFor(5, [&] { return audio.available(); }));
    pid_t pid = 0;
    {
        Spawned player({"pacat", "--playback", "/dev/zero"});
        pid = player.pid();
        ASSERT_TRUE(waitFor(10, [&] { return audio.pids().count(pid) > 0; }));
    }
    EXPECT_TRUE(waitFor(10, [&] { return audio.pids().count(pid) == 0; }));
}

TEST_F(AudioActivityTest, ASandboxedPlayerCountsByTheServersPidNotItsOwnWord) {
    LinuxAudioActivity audio;
    ASSERT_TRUE(waitFor(5, [&] { return audio.available(); }));
    // Inside a sandbox the player knows itself by the sandbox's pid 2; the server that checked
    // its socket says who it really is (PipeWire's pipewire.sec.pid, stood in for here).
    Spawned player({"sh", "-c",
                    "exec env PULSE_PROP=\"application.process.id=2 pipewire.sec.pid=$$\" "
                    "pacat --playback /dev/zero"});
    EXPECT_TRUE(waitFor(10, [&] { return audio.pids().count(player.pid()) > 0; }));
    EXPECT_EQ(audio.pids().count(2), 0u);
    EXPECT_TRUE(audio.appIds().empty());
    // Without a pid the server checked, the app is known by its application id.
    Spawned sandboxed({"env",
                       "PULSE_PROP=application.process.id=2 application.id=org.example.Player",
                       "pacat", "--playback", "/dev/zero"});
    EXPECT_TRUE(waitFor(10, [&] { return audio.appIds().count("org.example.Player") > 0; }));
    // A server that checks the pid on the client only: the stream's own word gives nothing, its
    // client's checked pid names it.
    Spawned checkedClient({"sh", "-c",
                           "exec env PULSE_PROP=\"application.process.id=3 pipewire.sec.pid=$$\" " +
                               std::string(TALLYVANE_TEST_CORKED) +
                               " --playing pipewire.sec.pid=0 application.id=org.example.Caller"});
    EXPECT_TRUE(waitFor(10, [&] { return audio.pids().count(checkedClient.pid()) > 0; }));
    EXPECT_EQ(audio.pids().count(3), 0u);
    EXPECT_EQ(audio.appIds().count("org.example.Caller"), 0u);
}

TEST(AudioActivity, NoServerMeansNothingIsAudible) {
    test::FixtureTree tree;
    ::setenv("PULSE_SERVER", ("unix:" + tree.root() + "/nothing-here").c_str(), 1);
    LinuxAudioActivity audio;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(audio.available());
    EXPECT_TRUE(audio.pids().empty());
    ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace tv
