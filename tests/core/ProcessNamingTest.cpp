#include "core/ProcessNaming.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

using namespace ProcessNaming;

TEST(ProcessNaming, InterpretersAreNamedAfterTheirScript) {
    EXPECT_EQ(commandName({"python3", "-u", "server.py"}, "/usr/bin/python3.11", "python3"),
              "python3 server.py");
    EXPECT_EQ(commandName({"/usr/bin/python3", "/home/me/train.py"}, "", ""), "python3 train.py");
    EXPECT_EQ(commandName({"node", "--inspect", "--trace-warnings"}, "", ""), "node");
    EXPECT_EQ(commandName({"PYTHON3", "x.py"}, "", ""), "PYTHON3");  // case-sensitive
    EXPECT_EQ(commandName({"Python", "x.py"}, "", ""), "Python x.py");
    // Only the first five arguments after the program are looked at.
    EXPECT_EQ(commandName({"ruby", "-a", "-b", "-c", "-d", "-e", "late.rb"}, "", ""), "ruby");
}

TEST(ProcessNaming, FallsBackFromArgumentsToPathToShortName) {
    EXPECT_EQ(commandName({"/opt/tool/bin/tool", "x"}, "/ignored", "t"), "tool");
    EXPECT_EQ(commandName({}, "/usr/lib/firefox/firefox", "firefox-bin"), "firefox");
    EXPECT_EQ(commandName({""}, "", "kworker/0:1"), "kworker/0:1");
    EXPECT_EQ(commandName({}, "", ""), "");
    EXPECT_EQ(lastPathComponent("/usr/bin/"), "bin");
    EXPECT_EQ(lastPathComponent("plain"), "plain");
}

TEST(ProcessNaming, ACommandLineRewrittenIntoOneStringGetsACleanName) {
    // Browser-engine helpers: the whole line in the first argument, the rest left empty.
    EXPECT_EQ(
        commandName({"/opt/browser/chrome --type=renderer --user-data-dir=/home/me/x y", "", ""},
                    "/opt/browser/chrome", "chrome"),
        "chrome");
    EXPECT_EQ(commandName({"chrome --type=gpu-process --field-trial-handle=1,2"},
                          "/opt/browser/chrome", "chrome"),
              "chrome");
    EXPECT_EQ(commandName({"/usr/share/My Editor/editor --type=zygote"},
                          "/usr/share/My Editor/editor", "editor"),
              "editor");
    // Daemons that set a title.
    EXPECT_EQ(commandName({"postgres: checkpointer"}, "/usr/lib/postgresql/bin/postgres", "x"),
              "postgres");
    EXPECT_EQ(commandName({"sshd: me@pts/0", ""}, "", "sshd"), "sshd");
    EXPECT_EQ(commandName({"/usr/bin/python3 /srv/app/worker.py --queue=fast"},
                          "/usr/bin/python3.11", "python3"),
              "python3 worker.py");
    // Spaces that belong to a path, or real arguments after the program, are left alone.
    EXPECT_EQ(commandName({"/Applications/Foo.app/Contents/MacOS/Foo Helper"}, "", ""),
              "Foo Helper");
    EXPECT_EQ(commandName({"/opt/My Tools/run", "--fast"}, "/opt/My Tools/run", "run"), "run");
    EXPECT_EQ(splitRewrittenCommandLine({"/opt/My Tools/run"}, ""),
              (std::vector<std::string>{"/opt/My Tools/run"}));
}

TEST(ProcessNaming, TypedOnlyInItsOwnGroupUnderAShell) {
    EXPECT_TRUE(isTypedCommand(200, 100, "zsh"));
    EXPECT_TRUE(isTypedCommand(200, 100, "bash"));
    EXPECT_FALSE(isTypedCommand(100, 100, "bash"));  // a script's child shares the group
    EXPECT_FALSE(isTypedCommand(200, 100, "make"));
    EXPECT_FALSE(isTypedCommand(200, 100, "Bash"));
}

TEST(ProcessNaming, DisplayTextIsSafeToShow) {
    EXPECT_EQ(displayText("plain"), "plain");
    EXPECT_EQ(displayText("line\nbreak\x1b[31m"), "line break [31m");
    EXPECT_EQ(displayText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(displayText("bad\xFF\xC3"), "bad\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(displayText("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(displayText("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    // C1 controls (the one-byte CSI U+009B, NEL U+0085) drive terminals too.
    EXPECT_EQ(displayText("a\xC2\x9B"
                          "31mb\xC2\x85"
                          "c\xE2\x80\xA8"
                          "d"),
              "a 31mb c d");
    EXPECT_EQ(displayText("\xC2\xA0\xC2\xA9"), "\xC2\xA0\xC2\xA9");  // not controls
    // Directional overrides, isolates and marks would make a name read as another.
    EXPECT_EQ(displayText("invoice\xE2\x80\xAEtxt.exe"), "invoicetxt.exe");
    EXPECT_EQ(displayText("\xE2\x81\xA6x\xE2\x81\xA9\xE2\x80\x8F\xD8\x9C"), "x");
    EXPECT_EQ(displayText("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"), "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
}

TEST(ProcessNaming, BundlesAndSystemLocations) {
    EXPECT_EQ(bundleOf("/Applications/Foo.app/Contents/MacOS/Foo"), "/Applications/Foo.app");
    EXPECT_EQ(bundleOf("/Applications/Foo.app/Contents/Frameworks/Foo Helper (Renderer).app/"
                       "Contents/MacOS/Foo Helper (Renderer)"),
              "/Applications/Foo.app");
    EXPECT_FALSE(bundleOf("/usr/bin/ssh").has_value());
    EXPECT_TRUE(isServicePath("/System/Library/Frameworks/X.framework/XPCServices/y.xpc/y"));
    EXPECT_FALSE(isServicePath("/usr/bin/xpcproxy"));

    EXPECT_FALSE(isSystemPath("/usr/local/bin/tool"));
    EXPECT_TRUE(isSystemPath("/usr/libexec/thing"));
    EXPECT_TRUE(isSystemPath("/Library/Apple/System/x"));
    EXPECT_FALSE(isSystemPath("/Library/Application Support/x"));
    EXPECT_TRUE(isSystemPath(""));
    EXPECT_FALSE(isSystemPath("/Applications/Foo.app"));
    EXPECT_FALSE(isSystemPath("/opt/homebrew/bin/x"));
}

}  // namespace
}  // namespace tv
