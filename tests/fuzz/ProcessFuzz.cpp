#include "ProcessFuzz.h"

#include "FuzzRoot.h"
#include "platform/linux/proc/DesktopEntries.h"
#include "platform/linux/proc/LinuxProcessSource.h"

#include <unistd.h>

namespace tv::fuzz {

namespace {

constexpr std::int32_t pid = 4321;

std::string_view ordinary(std::string_view file) {
    if (file == "stat") {
        return "4321 (edi tor) S 1 4321 4321 0 -1 4194304 500 0 0 0 120 30 0 0 20 0 3 0 9000 "
               "100000 2000 18446744073709551615 1 1 0 0 0 0 0 4096 0 0 0 0 17 1 0 0\n";
    }
    if (file == "status") {
        return "Name:\teditor\nState:\tS (sleeping)\nVmRSS:\t  8000 kB\nVmSwap:\t  1024 kB\n";
    }
    if (file == "statm") {
        return "25000 2000 500 10 0 1500 0\n";
    }
    if (file == "cmdline") {
        return std::string_view("/usr/bin/editor\0--new\0notes.txt\0", 32);
    }
    return "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
           "app-org.example.Editor-1234.scope\n";
}

}  // namespace

void fuzzProcessFile(std::string_view fuzzed, std::string_view text) {
    const FuzzRoot& root = FuzzRoot::get();
    const std::string dir = "proc/" + std::to_string(pid) + "/";
    // The other files, the swap table and the installed app are written once per run.
    static const auto desktop = [&] {
        root.write("proc/swaps", "Filename Type Size Used Priority\n/swap file 1048572 5000 -2\n");
        root.write("usr/share/applications/org.example.Editor.desktop",
                   "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor %F\n");
        root.write("usr/bin/editor", "");
        for (std::string_view file : {"stat", "status", "statm", "cmdline", "cgroup"}) {
            root.write(dir + std::string(file), ordinary(file));
        }
        return std::make_shared<linux_os::DesktopEntries>(
            std::vector<std::string>{root.path() + "/usr/share"},
            std::vector<std::string>{root.path() + "/usr/bin"}, "C");
    }();
    root.write(dir + std::string(fuzzed), text);
    linux_os::LinuxProcessSource source({root.path(), ::getuid(), 999999, false, nullptr}, desktop);

    for (std::int32_t each : source.pids()) {
        check(each == pid, "only the written process is listed");
    }
    if (auto use = source.use(pid)) {
        // statm's resident field is in pages; nothing larger may come out of it.
        check(use->footprint <= (1ULL << 40) * 4096, "a footprint within the resident limit");
    }
    ProcessIdentity identity = source.identify(pid);
    check(!identity.name.empty(), "a process always has a name");
    check(validUtf8(identity.name), "a display name is valid UTF-8");
    check(!hasControl(identity.name), "a display name holds no control characters");
    check(identity.key.rfind("app:", 0) == 0 || identity.key.rfind("pid:", 0) == 0,
          "a row key is app: or pid:");
    check(identity.app.has_value() == (identity.key.rfind("app:", 0) == 0),
          "an app row names its application");
    for (const std::string& argument : source.arguments(pid, 64)) {
        check(validUtf8(argument), "an argument is valid UTF-8");
        check(!hasControl(argument), "a parsed command line never holds control characters");
    }
    source.passDone();
}

}  // namespace tv::fuzz
