#include "platform/linux/proc/LinuxProcessSource.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <utility>

#include "core/ProcessNaming.h"
#include "platform/linux/desktop/LinuxSessionRoles.h"
#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/desktop/X11AppWindows.h"
#include "platform/linux/proc/AppScope.h"
#include "platform/linux/proc/ThreadDemand.h"

namespace tv::linux_os {

namespace {

constexpr int deepestAncestry = 64;
constexpr int desktopCheckEvery = 20;
constexpr int swapCheckEvery = 60;
constexpr int swapReadEvery = 4;
// An idle process's memory is read again every this many passes.
constexpr int footprintReadEvery = 8;
constexpr std::size_t longestCommandLine = 16 * 1024;

// Lets TallyVane keep one status file open per process: the soft limit goes up towards the
// hard one. Returns how many may stay open, leaving room for everything else.
std::size_t raiseOpenFileLimit() {
    constexpr rlim_t reserve = 256;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 0;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1 << 16);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return limit.rlim_cur > reserve ? static_cast<std::size_t>(limit.rlim_cur - reserve) : 0;
}

// Anonymous resident memory from /proc/PID/statm ("size resident shared ..." in pages):
// resident less the file-backed and shared-memory pages.
std::optional<std::uint64_t> anonymousPages(std::string_view statm) {
    nextField(statm);
    auto resident = parseUnsigned(nextField(statm));
    auto shared = parseUnsigned(nextField(statm));
    if (!resident || !shared || *resident > (1ULL << 40)) {
        return std::nullopt;
    }
    return *resident > *shared ? *resident - *shared : 0;
}

// VmSwap from /proc/PID/status, in bytes.
std::uint64_t swappedBytes(std::string_view status) {
    std::uint64_t bytes = 0;
    forEachLine(status, [&](std::string_view line) {
        if (line.substr(0, 7) != "VmSwap:") {
            return;
        }
        std::string_view rest = line.substr(7);
        auto kib = parseUnsigned(nextField(rest));
        if (kib && *kib < (1ULL << 40)) {
            bytes = *kib * 1024;
        }
    });
    return bytes;
}

// The per-process CPU clock, as the kernel numbers it (what clock_getcpuclockid computes,
// without its extra system call to check the pid).
clockid_t processClock(std::int32_t pid) {
    return static_cast<clockid_t>((~static_cast<unsigned>(pid) << 3) | 2U);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool isSessionInfrastructure(std::string_view name) {
    static constexpr std::array<std::string_view, 40> exact{"Xorg",
                                                            "Xwayland",
                                                            "X",
                                                            "gnome-shell",
                                                            "gnome-session-b",
                                                            "gnome-session",
                                                            "mutter",
                                                            "kwin_x11",
                                                            "kwin_wayland",
                                                            "plasmashell",
                                                            "ksmserver",
                                                            "kded5",
                                                            "kded6",
                                                            "xfwm4",
                                                            "xfce4-panel",
                                                            "xfce4-session",
                                                            "xfdesktop",
                                                            "sway",
                                                            "Hyprland",
                                                            "labwc",
                                                            "weston",
                                                            "waybar",
                                                            "swaybg",
                                                            "lxqt-panel",
                                                            "openbox",
                                                            "i3",
                                                            "pipewire",
                                                            "pipewire-pulse",
                                                            "wireplumber",
                                                            "pulseaudio",
                                                            "dbus-daemon",
                                                            "dbus-broker",
                                                            "dbus-broker-lau",
                                                            "ibus-daemon",
                                                            "fcitx5",
                                                            "fcitx",
                                                            "systemd",
                                                            "gnome-keyring-d",
                                                            "ssh-agent",
                                                            "gpg-agent"};
    static constexpr std::array<std::string_view, 12> prefixes{"xdg-desktop-por",
                                                               "xdg-document-po",
                                                               "xdg-permission-",
                                                               "gsd-",
                                                               "at-spi",
                                                               "ibus-",
                                                               "polkit",
                                                               "gvfs",
                                                               "evolution-",
                                                               "tracker-miner",
                                                               "xdg-",
                                                               "dconf-service"};
    return std::find(exact.begin(), exact.end(), name) != exact.end() ||
           std::any_of(prefixes.begin(), prefixes.end(),
                       [&](std::string_view p) { return startsWith(name, p); });
}

bool isLauncher(std::string_view name) {
    static constexpr std::array<std::string_view, 34> names{
        "ulauncher",   "albert",      "synapse",    "kupfer",     "xfce4-appfinder", "lxqt-runner",
        "krunner",     "rofi",        "wofi",       "fuzzel",     "gmrun",           "dmenu",
        "dmenu_run",   "bemenu",      "bemenu-run", "jgmenu",     "plank",           "docky",
        "cairo-dock",  "latte-dock",  "tint2",      "lxpanel",    "mate-panel",      "budgie-panel",
        "gnome-panel", "vala-panel",  "polybar",    "nwg-drawer", "nwg-dock",        "nwg-panel",
        "sfwbar",      "xfce4-panel", "lxqt-panel", "plasmashell"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

LinuxProcessSource::LinuxProcessSource(Options options, std::shared_ptr<DesktopEntries> desktop)
    : options_(std::move(options)), desktop_(std::move(desktop)) {
    openFileBudget_ = raiseOpenFileLimit();
    long page = ::sysconf(_SC_PAGESIZE);
    pageSize_ = page > 0 ? static_cast<std::uint64_t>(page) : 4096;
    checkSwap();
    // TallyVane's ancestors (its terminal, its session) are never held back; a later process
    // that reuses one's pid is not an ancestor.
    std::int32_t pid = options_.self;
    for (int step = 0; step < deepestAncestry && pid > 1; ++step) {
        auto stat = statOf(pid);
        if (!stat || stat->ppid <= 0) {
            break;
        }
        auto parent = statOf(stat->ppid);
        if (!parent) {
            break;
        }
        ancestors_.emplace(stat->ppid, parent->starttime);
        pid = stat->ppid;
    }
    statsThisPass_.clear();  // the first pass may come much later
}

namespace {

// The windows of this session's X display (on Wayland, those of its X clients).
std::shared_ptr<AppWindows> appWindows() {
    constexpr std::chrono::milliseconds askEvery{5'000};
    std::string display = environmentValue("DISPLAY");
    return display.empty() ? nullptr : std::make_shared<X11AppWindows>(display, askEvery);
}

}  // namespace

LinuxProcessSource::LinuxProcessSource()
    : LinuxProcessSource(
          Options{"/", ::getuid(), ::getpid(), true,
                  std::make_shared<LinuxSessionRoles>(LinuxSessionRoles::forThisSession()),
                  SessionMembership::ofThisProcess(), appWindows()},
          std::make_shared<DesktopEntries>(DesktopEntries::forThisSession())) {}

std::string LinuxProcessSource::describeSession() const {
    return options_.session ? options_.session->describe()
                            : "every process of the user counts as this session's";
}

std::string LinuxProcessSource::procPath(std::int32_t pid, const char* file) const {
    return options_.root + "/proc/" + std::to_string(pid) + "/" + file;
}

std::vector<std::int32_t> LinuxProcessSource::pids() {
    if (options_.roles) {
        roles_ = &options_.roles->pids();  // asks the desktop again only when due
        servers_ = &options_.roles->displayServers();
    }
    checkWindows();
    std::vector<std::int32_t> pids;
    for (const std::string& name : listDirectory(options_.root + "/proc")) {
        if (name.empty() || name[0] < '1' || name[0] > '9') {
            continue;
        }
        auto pid = parseUnsigned(name);
        if (pid && *pid < (1u << 31)) {
            pids.push_back(static_cast<std::int32_t>(*pid));
        }
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::uint64_t LinuxProcessSource::nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000 +
           static_cast<std::uint64_t>(now.tv_nsec);
}

std::optional<ProcStat> LinuxProcessSource::statOf(std::int32_t pid) const {
    if (auto known = statsThisPass_.find(pid); known != statsThisPass_.end()) {
        return known->second;
    }
    auto text = readFile(procPath(pid, "stat"));
    std::optional<ProcStat> stat = text ? parseProcStat(*text) : std::nullopt;
    statsThisPass_.emplace(pid, stat);
    return stat;
}

std::optional<ProcessUse> LinuxProcessSource::use(std::int32_t pid) {
    auto found = tracked_.find(pid);
    if (found == tracked_.end()) {
        auto stat = statOf(pid);
        if (!stat) {
            return std::nullopt;
        }
        Tracked fresh;
        fresh.started = stat->starttime;
        // Past the descriptor budget, files are opened for each read instead of kept.
        std::size_t filesPerProcess = 1 + (options_.cpuClock ? 0 : 1) + (swapInUse_ ? 1 : 0);
        fresh.keep = (tracked_.size() + 1) * filesPerProcess <= openFileBudget_;
        fresh.statm = std::make_unique<ProcFile>(procPath(pid, "statm"), fresh.keep);
        if (!options_.cpuClock) {
            fresh.stat = std::make_unique<ProcFile>(procPath(pid, "stat"), fresh.keep);
        }
        found = tracked_.emplace(pid, std::move(fresh)).first;
    }
    Tracked& tracked = found->second;
    std::optional<std::uint64_t> cpuNs;
    if (options_.cpuClock) {
        timespec cpu{};
        if (::clock_gettime(processClock(pid), &cpu) != 0) {
            tracked_.erase(found);
            return std::nullopt;
        }
        cpuNs = static_cast<std::uint64_t>(cpu.tv_sec) * 1'000'000'000 +
                static_cast<std::uint64_t>(cpu.tv_nsec);
    }
    // Idle since the last pass (its clock to the nanosecond where it was): its memory is as it
    // was, but for what the kernel reclaims, which is read every few passes.
    std::optional<std::uint64_t> anonymous;
    if (cpuNs && cpuNs == tracked.cpuNs && (passes_ + pid) % footprintReadEvery != 0) {
        anonymous = tracked.anonymous;
    } else {
        // A kept-open file belongs to the process it was opened for: once that process is gone
        // the read fails, even if its pid was given to another. The next pass meets the
        // newcomer.
        auto statm = tracked.statm->read();
        anonymous = statm ? anonymousPages(*statm) : std::nullopt;
        if (!anonymous) {
            tracked_.erase(found);
            return std::nullopt;
        }
    }
    tracked.cpuNs = cpuNs;
    tracked.anonymous = *anonymous;
    if (swapInUse_ && (!tracked.status || (passes_ + pid) % swapReadEvery == 0)) {
        if (!tracked.status) {
            tracked.status = std::make_unique<ProcFile>(procPath(pid, "status"), tracked.keep);
        }
        auto status = tracked.status->read();
        tracked.swapped = status ? swappedBytes(*status) : 0;
    }
    tracked.seenInPass = passes_;
    ProcessUse use;
    use.started = tracked.started;
    use.footprint = *anonymous * pageSize_ + (swapInUse_ ? tracked.swapped : 0);
    if (cpuNs) {
        use.cpuNs = *cpuNs;
    } else {
        auto text = tracked.stat->read();
        auto stat = text ? parseProcStat(*text) : std::nullopt;
        if (!stat) {
            tracked_.erase(found);
            return std::nullopt;
        }
        static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
        use.cpuNs = (stat->utime + stat->stime) * (1'000'000'000ULL / std::max(1L, ticksPerSecond));
    }
    return use;
}

std::optional<std::uint64_t> LinuxProcessSource::demandNs(std::int32_t pid) {
    return processDemand(procPath(pid, "task"));
}

// Everything read in this pass was marked with it; the rest has gone.
void LinuxProcessSource::passDone() {
    statsThisPass_.clear();
    factsThisPass_.clear();
    cgroupsThisPass_.clear();
    std::erase_if(tracked_, [&](const auto& entry) { return entry.second.seenInPass != passes_; });
    ++passes_;
    if (passes_ % desktopCheckEvery == 0 && desktop_) {
        desktop_->refreshIfChanged();
    }
    if (passes_ % swapCheckEvery == 0) {
        checkSwap();
    }
}

// A process that showed a window of an app's class since its identity was worked out is that
// app now, and so is what it started.
void LinuxProcessSource::checkWindows() {
    if (!options_.windows || !desktop_) {
        return;
    }
    windows_ = &options_.windows->classesByPid();
    if (*windows_ == windowsKnown_) {
        return;
    }
    for (const auto& [pid, classes] : *windows_) {
        auto known = windowsKnown_.find(pid);
        if ((known == windowsKnown_.end() || known->second != classes) && windowEntryOf(pid)) {
            stale_ = true;
        }
    }
    windowsKnown_ = *windows_;
}

bool LinuxProcessSource::identitiesStale() {
    return std::exchange(stale_, false);
}

const DesktopEntry* LinuxProcessSource::windowEntryOf(std::int32_t pid) const {
    if (windows_ == nullptr) {
        return nullptr;
    }
    auto found = windows_->find(pid);
    if (found == windows_->end()) {
        return nullptr;
    }
    for (const std::string& windowClass : found->second) {
        if (const DesktopEntry* entry = desktop_->byWindowClass(windowClass)) {
            return entry;
        }
    }
    return nullptr;
}

// Swap devices are listed after the header line of /proc/swaps.
void LinuxProcessSource::checkSwap() {
    auto swaps = readFile(options_.root + "/proc/swaps");
    bool inUse = swaps && std::count(swaps->begin(), swaps->end(), '\n') > 1;
    if (inUse != swapInUse_) {
        swapInUse_ = inUse;
        for (auto& [pid, tracked] : tracked_) {
            tracked.status.reset();
            tracked.swapped = 0;
        }
    }
}

std::optional<LinuxProcessSource::Facts> LinuxProcessSource::factsOf(std::int32_t pid) const {
    if (auto known = factsThisPass_.find(pid); known != factsThisPass_.end()) {
        return known->second;
    }
    std::optional<Facts> facts = readFacts(pid);
    factsThisPass_.emplace(pid, facts);
    return facts;
}

std::optional<LinuxProcessSource::Facts> LinuxProcessSource::readFacts(std::int32_t pid) const {
    auto stat = statOf(pid);
    if (!stat) {
        return std::nullopt;
    }
    Facts facts;
    facts.stat = std::move(*stat);
    struct stat info {};
    if (::stat(procPath(pid, "").c_str(), &info) != 0) {
        return std::nullopt;
    }
    facts.uid = info.st_uid;
    std::array<char, 4096> target{};
    ssize_t length = ::readlink(procPath(pid, "exe").c_str(), target.data(), target.size() - 1);
    if (length > 0) {
        facts.exe.assign(target.data(), static_cast<std::size_t>(length));
        constexpr std::string_view deleted = " (deleted)";
        if (facts.exe.size() > deleted.size() &&
            facts.exe.compare(facts.exe.size() - deleted.size(), deleted.size(), deleted) == 0) {
            facts.exe.resize(facts.exe.size() - deleted.size());
        }
    }
    return facts;
}

std::vector<std::string> LinuxProcessSource::arguments(std::int32_t pid, std::size_t limit) const {
    std::vector<std::string> args;
    ProcFile file(procPath(pid, "cmdline"));
    auto text = file.read();
    if (!text) {
        return args;
    }
    std::string_view rest = text->substr(0, longestCommandLine);
    while (!rest.empty() && args.size() < limit) {
        std::size_t end = rest.find('\0');
        args.push_back(ProcessNaming::displayText(rest.substr(0, end)));
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return args;
}

bool LinuxProcessSource::isSystem(std::int32_t pid, const Facts& facts,
                                  const std::string& cgroup) const {
    const ProcStat& stat = facts.stat;
    if (pid <= 2 || stat.isKernelThread() || stat.ppid == 2 || facts.uid != options_.user) {
        return true;
    }
    if (pid == options_.self || stat.ppid == options_.self) {
        return true;
    }
    if (auto ancestor = ancestors_.find(pid);
        ancestor != ancestors_.end() && ancestor->second == stat.starttime) {
        return true;
    }
    if (roles_ != nullptr && roles_->count(pid) > 0) {
        return true;
    }
    if (stat.isRealTime() || stat.nice < 0) {
        return true;
    }
    if (startsWith(cgroup, "/system.slice/") || cgroup == "/init.scope" ||
        cgroup.find(".service/init.scope") != std::string::npos ||
        cgroup.find(".service/session.slice/") != std::string::npos) {
        return true;
    }
    return isSessionInfrastructure(stat.comm);
}

const std::string& LinuxProcessSource::cgroupOf(std::int32_t pid) const {
    if (auto known = cgroupsThisPass_.find(pid); known != cgroupsThisPass_.end()) {
        return known->second;
    }
    auto text = readFile(procPath(pid, "cgroup"));
    return cgroupsThisPass_.emplace(pid, text ? cgroupPath(*text) : std::string()).first->second;
}

// The servers the session runs on, by what the desktop says, and every Xwayland.
bool LinuxProcessSource::isDisplayServer(std::int32_t pid, const Facts& facts) const {
    return (servers_ != nullptr && servers_->count(pid) > 0) || facts.stat.comm == "Xwayland";
}

bool LinuxProcessSource::inThisSession(std::int32_t pid, const std::string& cgroup) {
    if (!options_.session) {
        return true;
    }
    if (auto byCgroup = options_.session->byCgroup(cgroup)) {
        return *byCgroup;
    }
    auto tracked = tracked_.find(pid);
    if (tracked != tracked_.end() && tracked->second.sessionsOwn) {
        return *tracked->second.sessionsOwn;
    }
    // What a process started with cannot be read for some (those that made themselves
    // undumpable): nothing then says it is another session's.
    auto environ = readFile(procPath(pid, "environ"));
    bool own = !environ || options_.session->byEnvironment(*environ);
    if (tracked != tracked_.end()) {
        tracked->second.sessionsOwn = own;
    }
    return own;
}

bool LinuxProcessSource::isTyped(const Facts& facts) const {
    auto parent = factsOf(facts.stat.ppid);
    return parent &&
           ProcessNaming::isTypedCommand(facts.stat.pgrp, parent->stat.pgrp, parent->stat.comm);
}

// Whether the process, or one of its ancestors in the same unit, is a command typed at a
// shell: then it was started by hand in a terminal that keeps its shells in its own unit, not
// by the app the unit is named after.
bool LinuxProcessSource::typedWithinUnit(std::int32_t pid, const std::string& cgroup) const {
    std::int32_t current = pid;
    for (int depth = 0; depth < deepestAncestry; ++depth) {
        auto facts = factsOf(current);
        if (!facts) {
            return false;
        }
        if (isTyped(*facts)) {
            return true;
        }
        std::int32_t parent = facts->stat.ppid;
        if (parent <= 1 || cgroupOf(parent) != cgroup) {
            return false;  // the first process of the unit
        }
        current = parent;
    }
    return false;
}

// Where the walk up the ancestors ends: another user, a shell (what runs below it was started
// by hand), the service manager, and the session's own machinery, which starts apps for the
// user but owns none of them.
bool LinuxProcessSource::endsWalk(std::int32_t pid, const Facts& facts) const {
    const std::string& comm = facts.stat.comm;
    return facts.uid != options_.user || ProcessNaming::isShell(comm) || comm == "systemd" ||
           isSessionInfrastructure(comm) || (roles_ != nullptr && roles_->count(pid) > 0);
}

// The nearest ancestor (the process itself first) whose executable a desktop file starts, or
// that shows a window of an entry's class.
// A launcher may be an app itself, but what it starts is not part of it.
const DesktopEntry* LinuxProcessSource::claimedByAncestor(std::int32_t pid,
                                                          const Facts& facts) const {
    std::int32_t current = pid;
    std::optional<Facts> step = facts;
    for (int depth = 0; depth < deepestAncestry && step; ++depth) {
        if (endsWalk(current, *step) || (depth > 0 && isLauncher(step->stat.comm))) {
            break;
        }
        if (!step->exe.empty()) {
            if (const DesktopEntry* entry = desktop_->byExecutable(step->exe)) {
                return entry;
            }
        }
        if (const DesktopEntry* entry = windowEntryOf(current)) {
            return entry;
        }
        if (step->stat.ppid <= 1) {
            break;
        }
        current = step->stat.ppid;
        step = factsOf(current);
    }
    return nullptr;
}

const DesktopEntry* LinuxProcessSource::appOf(std::int32_t pid, const Facts& facts,
                                              const std::string& cgroup) const {
    if (!desktop_) {
        return nullptr;
    }
    for (const std::string& id : desktopIdsOfUnit(lastComponent(cgroup))) {
        if (const DesktopEntry* entry = desktop_->byId(id)) {
            // A terminal's unit holds its shells, and whatever is typed into them; what is
            // typed is the user's own command, found as it would be outside the unit.
            if (!typedWithinUnit(pid, cgroup)) {
                return entry;
            }
            break;
        }
    }
    return claimedByAncestor(pid, facts);
}

ProcessIdentity LinuxProcessSource::identify(std::int32_t pid) {
    ProcessIdentity identity;
    identity.key = "pid:" + std::to_string(pid);
    auto facts = factsOf(pid);
    if (!facts) {
        identity.name = "pid " + std::to_string(pid);
        identity.system = true;
        return identity;
    }
    std::string cgroup = cgroupOf(pid);
    // The servers the session runs on are the system's, and never listed among the user's
    // apps; neither are another user's processes.
    identity.foreign = facts->uid != options_.user || isDisplayServer(pid, *facts);
    identity.system =
        identity.foreign || isSystem(pid, *facts, cgroup) || !inThisSession(pid, cgroup);
    identity.typed = isTyped(*facts);
    // Another user's process never joins the user's rows, whatever its unit is called.
    if (!facts->stat.isKernelThread() && !identity.foreign) {
        if (const DesktopEntry* app = appOf(pid, *facts, cgroup)) {
            identity.key = "app:" + app->path;
            identity.name = app->name;
            identity.app = app->path;
            return identity;
        }
    }
    std::vector<std::string> args =
        facts->stat.isKernelThread() ? std::vector<std::string>{} : arguments(pid, 6);
    // Whatever it came from (arguments, the executable's path, the short name), the shown
    // name is cleaned once more as a whole.
    identity.name =
        ProcessNaming::displayText(ProcessNaming::commandName(args, facts->exe, facts->stat.comm));
    if (identity.name.empty()) {
        identity.name = "pid " + std::to_string(pid);
    }
    return identity;
}

std::optional<ProcessIdentity> LinuxProcessSource::identifyOne(std::int32_t pid) {
    // Outside a pass nothing read earlier may be reused, and nothing read now may be kept.
    statsThisPass_.clear();
    factsThisPass_.clear();
    cgroupsThisPass_.clear();
    std::optional<ProcessIdentity> identity;
    if (factsOf(pid)) {
        identity = identify(pid);
    }
    statsThisPass_.clear();
    factsThisPass_.clear();
    cgroupsThisPass_.clear();
    return identity;
}

}  // namespace tv::linux_os
