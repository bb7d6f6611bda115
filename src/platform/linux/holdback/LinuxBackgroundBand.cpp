#include "platform/linux/holdback/LinuxBackgroundBand.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/proc/ProcFile.h"
#include "platform/linux/proc/ProcStat.h"

namespace tv::linux_os {

namespace {

constexpr int ioprioWhoProcess = 1;  // IOPRIO_WHO_PROCESS: a thread id
constexpr int ioprioClassShift = 13;
constexpr int ioprioClassIdle = 3;
constexpr int idleIoPriority = ioprioClassIdle << ioprioClassShift;
constexpr int lowestNice = 19;

int ioprioGet(pid_t tid) {
    return static_cast<int>(::syscall(SYS_ioprio_get, ioprioWhoProcess, tid));
}

bool ioprioSet(pid_t tid, int priority) {
    return ::syscall(SYS_ioprio_set, ioprioWhoProcess, tid, priority) == 0;
}

// May this process take a thread out of SCHED_IDLE again? Root and CAP_SYS_NICE may; others
// only with an RLIMIT_NICE that reaches nice 0.
bool mayUndoIdlePolicy() {
    if (::geteuid() == 0) {
        return true;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) == 0 &&
        (data[CAP_SYS_NICE / 32].effective & (1U << (CAP_SYS_NICE % 32))) != 0) {
        return true;
    }
    rlimit limit{};
    return ::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur >= 20;
}

const char* sessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address != nullptr ? address : "";
}

}  // namespace

LinuxBackgroundBand::LinuxBackgroundBand(std::string root, std::optional<std::string> busAddress)
    : root_(std::move(root)),
      groups_(root_),
      sessions_(root_),
      manager_(std::make_unique<UserManagerCpuWeight>(
          busAddress ? *busAddress : std::string(sessionBusAddress()))),
      cpuPolicy_(mayUndoIdlePolicy()) {}

namespace {

std::optional<long> readLong(const std::string& path) {
    auto text = readFile(path);
    auto value = text ? parseUnsigned(text->substr(0, text->find('\n'))) : std::nullopt;
    return value && *value <= 1'000'000 ? std::optional<long>(static_cast<long>(*value))
                                        : std::nullopt;
}

bool writeLong(const std::string& path, long value) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::string text = std::to_string(value);
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

}  // namespace

std::optional<std::string> LinuxBackgroundBand::slowUnit(const std::string& unit) {
    auto previous = manager_->weight(unit);
    if (!previous) {
        return std::nullopt;
    }
    // Already idle, or at the bottom of the range: someone else's doing, not ours to change.
    if (*previous <= 1) {
        return std::string();
    }
    // A manager without the idle weight refuses 0; the lowest ordinary weight is the next best.
    for (std::uint64_t lowest : {UserManagerCpuWeight::idle, std::uint64_t{1}}) {
        std::string saved =
            "unit " + unit + " " + std::to_string(*previous) + " " + std::to_string(lowest);
        recordAhead({saved});
        if (manager_->setWeight(unit, lowest)) {
            return saved;
        }
    }
    return std::nullopt;
}

void LinuxBackgroundBand::restoreUnit(std::string_view rest) {
    std::string unit(nextField(rest));
    auto previous = parseUnsigned(nextField(rest));
    auto set = parseUnsigned(nextField(rest));
    bool valid =
        UserManagerCpuWeight::validUnit(unit) && previous && set && *set <= 1 &&
        nextField(rest).empty() &&
        ((*previous >= 2 && *previous <= 10000) || *previous == UserManagerCpuWeight::unset);
    // Only a weight that is still the one we set goes back.
    if (valid && manager_->weight(unit) == *set) {
        manager_->setWeight(unit, *previous);
    }
}

std::string LinuxBackgroundBand::slowGroup(const std::string& group) {
    // The service manager owns its units' cgroup files: it is asked, not bypassed.
    if (std::string unit = UserManagerCpuWeight::unitOf(group); !unit.empty()) {
        if (auto saved = slowUnit(unit)) {
            return *saved;
        }
    }
    std::string folder = groups_.folderOf(group);
    if (folder.empty() || ::access((folder + "/cpu.weight").c_str(), W_OK) != 0) {
        return {};
    }
    auto weight = readLong(folder + "/cpu.weight");
    auto idle = readLong(folder + "/cpu.idle");
    if (!weight) {
        return {};
    }
    // Already at the bottom means someone else put it there: not ours to change or restore.
    if (idle ? *idle == 1 : *weight <= 1) {
        return {};
    }
    std::string saved =
        "weight " + group + " " + std::to_string(*weight) + " " + std::to_string(idle ? *idle : -1);
    recordAhead({saved});
    bool lowered = idle ? writeLong(folder + "/cpu.idle", 1) : writeLong(folder + "/cpu.weight", 1);
    return lowered ? saved : std::string();
}

BackgroundBand::SessionsLowered LinuxBackgroundBand::slowSessions(
    const std::set<std::int32_t>& pids) {
    SessionsLowered out;
    if (!sessions_.enabled()) {
        return out;
    }
    struct Session {
        int id = 0;
        int nice = 0;
        bool mixed = false;  // its processes are not in one session
        std::vector<std::int32_t> pids;
    };
    std::map<std::uint64_t, Session> byGroup;
    for (std::int32_t pid : pids) {
        auto group = sessions_.decides(pid) ? sessions_.of(pid) : std::nullopt;
        auto text =
            group ? readFile(root_ + "/proc/" + std::to_string(pid) + "/stat") : std::nullopt;
        auto stat = text ? parseProcStat(*text) : std::nullopt;
        if (!stat || group->id == 0 || stat->session <= 0) {
            continue;  // the default group is the root group itself: it has no weight to lower
        }
        auto [entry, fresh] = byGroup.try_emplace(group->id);
        Session& session = entry->second;
        session.mixed = session.mixed || (!fresh && session.id != stat->session);
        session.id = stat->session;
        session.nice = group->nice;
        session.pids.push_back(pid);
    }
    for (const auto& [group, session] : byGroup) {
        std::vector<std::int32_t> members =
            session.mixed ? std::vector<std::int32_t>{} : sessions_.sessionMembers(session.id);
        bool alone = !members.empty();
        for (std::int32_t member : members) {
            alone = alone && pids.count(member) > 0;
        }
        // Shared with anything that is not the app: lowering it would slow that too. Raised by
        // someone (a negative nice) is theirs; already lowered acts without us.
        if (!alone || session.nice < 0) {
            continue;
        }
        if (session.nice == 0) {
            std::vector<std::string> lines;
            for (std::int32_t pid : session.pids) {
                lines.push_back("autogroup " + std::to_string(pid) + " " +
                                std::to_string(threadStarted(pid)) + " " + std::to_string(group) +
                                " 0 " + std::to_string(lowestNice));
            }
            recordAhead(lines);
            if (!sessions_.setNice(session.pids.front(), lowestNice)) {
                continue;
            }
            out.saved.insert(out.saved.end(), lines.begin(), lines.end());
        }
        out.covered.insert(session.pids.begin(), session.pids.end());
    }
    return out;
}

void LinuxBackgroundBand::restoreAutogroup(std::string_view rest) {
    auto pid = parseUnsigned(nextField(rest));
    auto started = parseUnsigned(nextField(rest));
    auto group = parseUnsigned(nextField(rest));
    auto previous = SessionAutogroups::parse("/autogroup-0 nice " + std::string(nextField(rest)));
    auto set = SessionAutogroups::parse("/autogroup-0 nice " + std::string(nextField(rest)));
    if (!pid || !started || !group || !previous || !set || !nextField(rest).empty() || *pid == 0 ||
        *pid > 0x3FFFFFFF || *group == 0 || set->nice <= 0 ||
        threadStarted(static_cast<pid_t>(*pid)) != *started) {
        return;
    }
    // Only the same group, still at the value we set, goes back.
    auto now = sessions_.of(static_cast<std::int32_t>(*pid));
    if (now && now->id == *group && now->nice == set->nice) {
        sessions_.setNice(static_cast<std::int32_t>(*pid), previous->nice);
    }
}

void LinuxBackgroundBand::restoreGroup(std::string_view group, long weight, long idle) {
    std::string folder = groups_.folderOf(std::string(group));
    if (folder.empty()) {
        return;
    }
    if (idle >= 0) {
        if (readLong(folder + "/cpu.idle") == 1) {
            writeLong(folder + "/cpu.idle", idle);
        }
    } else if (readLong(folder + "/cpu.weight") == 1) {
        writeLong(folder + "/cpu.weight", weight);
    }
}

int LinuxBackgroundBand::ioPriority(pid_t tid) {
    return ioprioGet(tid);
}

int LinuxBackgroundBand::cpuPolicy(pid_t tid) {
    return ::sched_getscheduler(tid);
}

bool LinuxBackgroundBand::isLowered(std::int32_t pid) {
    int io = ioprioGet(pid);
    int policy = ::sched_getscheduler(pid);
    return (io >= 0 && (io >> ioprioClassShift) == ioprioClassIdle) || policy == SCHED_IDLE;
}

void LinuxBackgroundBand::lowerThreads(std::int32_t pid, std::map<pid_t, Thread>& threads) {
    // What each new thread has and which of its values are to change, recorded before any is.
    std::map<pid_t, Thread> planned;
    for (const std::string& name :
         listDirectory(root_ + "/proc/" + std::to_string(pid) + "/task")) {
        auto id = parseUnsigned(name);
        if (!id || threads.count(static_cast<pid_t>(*id)) > 0) {
            continue;
        }
        auto tid = static_cast<pid_t>(*id);
        Thread thread;
        thread.started = threadStarted(tid);
        thread.ioPriority = ioprioGet(tid);
        thread.policy = ::sched_getscheduler(tid);
        thread.ioChanged =
            thread.ioPriority >= 0 && (thread.ioPriority >> ioprioClassShift) != ioprioClassIdle;
        thread.policyChanged =
            cpuPolicy_ && (thread.policy == SCHED_OTHER || thread.policy == SCHED_BATCH);
        if (thread.ioChanged || thread.policyChanged) {
            planned.emplace(tid, thread);
        }
    }
    recordAhead(linesOf(planned));
    for (auto& [tid, thread] : planned) {
        if (thread.ioChanged) {
            thread.ioChanged = ioprioSet(tid, idleIoPriority);
        }
        if (thread.policyChanged) {
            sched_param param{};
            thread.policyChanged = ::sched_setscheduler(tid, SCHED_IDLE, &param) == 0;
        }
        if (thread.ioChanged || thread.policyChanged) {
            threads.emplace(tid, thread);
        }
    }
}

bool LinuxBackgroundBand::slow(std::int32_t pid) {
    std::map<pid_t, Thread> threads;
    lowerThreads(pid, threads);
    if (threads.empty()) {
        return false;
    }
    held_[pid] = std::move(threads);
    return true;
}

void LinuxBackgroundBand::follow(std::int32_t pid) {
    auto held = held_.find(pid);
    if (held != held_.end()) {
        lowerThreads(pid, held->second);
    }
}

std::uint64_t LinuxBackgroundBand::threadStarted(pid_t tid) const {
    auto text = readFile(root_ + "/proc/" + std::to_string(tid) + "/stat");
    auto stat = text ? parseProcStat(*text) : std::nullopt;
    return stat ? stat->starttime : 0;
}

// Only what still holds our value goes back; a later change by someone else stays.
void LinuxBackgroundBand::give(pid_t tid, const Thread& thread) {
    if (thread.ioChanged && ioprioGet(tid) == idleIoPriority) {
        ioprioSet(tid, thread.ioPriority);
    }
    if (thread.policyChanged && ::sched_getscheduler(tid) == SCHED_IDLE) {
        sched_param param{};
        ::sched_setscheduler(tid, thread.policy, &param);
    }
}

void LinuxBackgroundBand::unslow(std::int32_t pid) {
    auto held = held_.find(pid);
    if (held == held_.end()) {
        return;
    }
    for (const auto& [tid, thread] : held->second) {
        // A thread id reused by a later thread is not ours to change.
        if (thread.started == 0 || threadStarted(tid) == thread.started) {
            give(tid, thread);
        }
    }
    held_.erase(held);
}

void LinuxBackgroundBand::forget(std::int32_t pid) {
    held_.erase(pid);
}

std::vector<std::string> LinuxBackgroundBand::saved(std::int32_t pid) const {
    auto held = held_.find(pid);
    return held == held_.end() ? std::vector<std::string>{} : linesOf(held->second);
}

std::vector<std::string> LinuxBackgroundBand::linesOf(const std::map<pid_t, Thread>& threads) {
    std::vector<std::string> lines;
    for (const auto& [tid, thread] : threads) {
        std::string who = std::to_string(tid) + " " + std::to_string(thread.started) + " ";
        if (thread.ioChanged) {
            lines.push_back("io " + who + std::to_string(thread.ioPriority));
        }
        if (thread.policyChanged) {
            lines.push_back("cpu " + who + std::to_string(thread.policy));
        }
    }
    return lines;
}

void LinuxBackgroundBand::restore(const std::string& line) {
    std::string_view rest = line;
    std::string_view kind = nextField(rest);
    if (kind == "unit") {
        restoreUnit(rest);
        return;
    }
    if (kind == "autogroup") {
        restoreAutogroup(rest);
        return;
    }
    if (kind == "weight") {
        std::string_view group = nextField(rest);
        auto weight = parseUnsigned(nextField(rest));
        std::string_view idleText = nextField(rest);
        auto idle =
            idleText == "-1" ? std::optional<unsigned long long>(0) : parseUnsigned(idleText);
        if (weight && *weight >= 1 && *weight <= 10000 && idle && *idle <= 1 &&
            nextField(rest).empty()) {
            restoreGroup(group, static_cast<long>(*weight),
                         idleText == "-1" ? -1 : static_cast<long>(*idle));
        }
        return;
    }
    auto tid = parseUnsigned(nextField(rest));
    auto started = parseUnsigned(nextField(rest));
    auto value = parseUnsigned(nextField(rest));
    if (!tid || !started || !value || !nextField(rest).empty() || *tid == 0 || *tid > 0x3FFFFFFF ||
        *value > 0xFFFF || threadStarted(static_cast<pid_t>(*tid)) != *started) {
        return;
    }
    Thread thread;
    if (kind == "io") {
        thread.ioChanged = true;
        thread.ioPriority = static_cast<int>(*value);
    } else if (kind == "cpu" && (*value == SCHED_OTHER || *value == SCHED_BATCH)) {
        thread.policyChanged = true;
        thread.policy = static_cast<int>(*value);
    }
    give(static_cast<pid_t>(*tid), thread);
}

std::string LinuxBackgroundBand::describeSessions() const {
    if (!sessions_.enabled()) {
        return "autogroups are off, so there is no band by session";
    }
    if (!sessions_.decides(static_cast<std::int32_t>(::getpid()))) {
        return "autogroups are on, but cgroups weigh the processors here, so there is no band "
               "by session";
    }
    return "autogroups are on (each session's processes weigh as one against other sessions): "
           "an app that has its session to itself gets its autogroup set to nice 19";
}

std::string LinuxBackgroundBand::describe() const {
    std::string threads = cpuPolicy_
                              ? "else the idle CPU policy (SCHED_IDLE) per thread, which weighs "
                                "only against what shares the app's scheduling group"
                              : "an idle CPU policy per thread could not be undone here (no "
                                "CAP_SYS_NICE, RLIMIT_NICE below 20)";
    std::string unified = groups_.unifiedRoot();
    auto controllers = unified.empty() ? std::nullopt : readFile(unified + "/cgroup.controllers");
    bool cpu = false;
    if (controllers) {
        std::string_view rest = *controllers;
        for (std::string_view name = nextField(rest); !name.empty(); name = nextField(rest)) {
            cpu = cpu || name == "cpu" || name == "cpu\n";
        }
    }
    std::string groups =
        unified.empty() ? "no cgroup v2 hierarchy, so no CPU band by group"
        : !cpu          ? "the cgroup v2 hierarchy at " + unified +
                     " has no cpu controller, so no CPU band by group"
               : "an app alone in a cgroup v2 group whose cpu files we may write gets cpu.idle 1 "
                 "(else cpu.weight 1) under " +
                     unified;
    bool manager = manager_->present();
    bool bySession =
        sessions_.enabled() && sessions_.decides(static_cast<std::int32_t>(::getpid()));
    std::vector<std::string> kinds;
    if (manager) {
        kinds.emplace_back("systemd CPU weight");
    }
    if (cpu) {
        kinds.emplace_back("cgroup cpu.idle");
    }
    if (bySession) {
        kinds.emplace_back("autogroup nice 19");
    }
    if (cpuPolicy_) {
        kinds.emplace_back("idle CPU policy per thread");
    }
    std::string band = kinds.empty() ? "none (disk use only)" : "per app, the first that acts of ";
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        band += (i == 0 ? "" : ", ") + kinds[i];
    }
    std::string units =
        manager ? "an app in its own scope or service gets CPUWeight idle (runtime) from the "
                  "user's service manager"
                : "no user service manager on the session bus to lower an app's CPUWeight";
    return band + ": " + units + "; " + groups + "; " + describeSessions() + "; " + threads +
           "; every held app's disk use is lowered (idle I/O class per thread), and where no CPU "
           "band acts on an app, that is all that is done and all that is said";
}

}  // namespace tv::linux_os
