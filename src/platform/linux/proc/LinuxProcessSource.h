#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/AppWindows.h"
#include "platform/ProcessSource.h"
#include "platform/SessionRoles.h"
#include "platform/linux/proc/DesktopEntries.h"
#include "platform/linux/proc/ProcFile.h"
#include "platform/linux/proc/ProcStat.h"
#include "platform/linux/proc/SessionMembership.h"

namespace tv::linux_os {

// The process table from /proc. Each tick a process costs one pread of its kept-open statm
// file (resident minus file-backed and shared pages: its anonymous memory) and a read of its
// CPU clock; while the machine has swap, its status file (for VmSwap) every fourth pass.
// Demand (time its threads ran or waited to run) costs one schedstat file per thread and is
// read only when asked.
// Its executable, command line and cgroup are read only when it is first met.
//
// Identity: an application started by the desktop runs in a systemd unit named after its
// desktop file; otherwise the nearest ancestor of the same user whose executable is a desktop
// file's Exec program (or the program its wrapper script starts), or who shows a window of the
// entry's class, claims it; anything else is a
// stand-alone "pid:" row. The walk up stops at a shell (what runs below it was typed or
// scripted by hand), at the session's machinery and at launchers and panels, which start apps
// but never own them. A command typed at a shell is never part of the unit it runs in (a
// terminal that keeps its shells in its own unit): it and what it starts stand on their own.
//
// System: kernel threads, other users' processes, system services and the session's own
// machinery (by cgroup, by the roles the desktop says they play, and by name as a fallback),
// real-time and raised-priority processes, and TallyVane with its ancestors (pid and start
// time) and its own children (the watchdog).
//
// Other users' processes are also foreign: they never join the user's app rows, whatever unit
// they run in. So are the servers the session runs on (its X server, its compositor, every
// Xwayland): never listed as one of the user's apps.
//
// Processes of the user's other sessions (SSH logins, another seat or graphical login) are the
// system's here: only this desktop's apps are held back or quit (see SessionMembership).
class LinuxProcessSource : public ProcessSource {
  public:
    struct Options {
        std::string root = "/";
        uid_t user = 0;
        pid_t self = 0;
        // Measure CPU with the kernel's per-process clocks (exact) rather than /proc ticks;
        // only possible on the live system.
        bool cpuClock = true;
        // Who plays the desktop session's roles; none when absent.
        std::shared_ptr<SessionRoles> roles;
        // Which processes are this graphical session's; every process counts when absent.
        std::optional<SessionMembership> session{};
        // Which process shows a window of which class; none when absent.
        std::shared_ptr<AppWindows> windows{};
    };

    LinuxProcessSource(Options options, std::shared_ptr<DesktopEntries> desktop);
    // The live system, as the user running TallyVane.
    LinuxProcessSource();

    // How this session's processes are told from other sessions', for the self-check.
    std::string describeSession() const;

    std::vector<std::int32_t> pids() override;
    std::uint64_t nowNs() override;
    std::optional<ProcessUse> use(std::int32_t pid) override;
    std::optional<std::uint64_t> demandNs(std::int32_t pid) override;
    ProcessIdentity identify(std::int32_t pid) override;
    std::optional<ProcessIdentity> identifyOne(std::int32_t pid) override;
    void passDone() override;
    bool identitiesStale() override;

    // Up to `limit` command-line arguments, made safe to show.
    std::vector<std::string> arguments(std::int32_t pid, std::size_t limit) const;

  private:
    struct Tracked {
        std::unique_ptr<ProcFile> statm;
        std::unique_ptr<ProcFile> status;  // only while the machine has swap
        std::unique_ptr<ProcFile> stat;    // only without CPU clocks
        std::uint64_t started = 0;
        std::uint64_t swapped = 0;  // bytes, as last read
        // As last read: its CPU clock and its anonymous resident pages. A process whose clock
        // has not moved since cannot have touched memory, so most passes skip its statm.
        std::optional<std::uint64_t> cpuNs;
        std::uint64_t anonymous = 0;
        int seenInPass = 0;
        bool keep = true;
        // Whether its starting environment is this session's, once read (it never changes).
        std::optional<bool> sessionsOwn;
    };
    struct Facts {
        ProcStat stat;
        uid_t uid = 0;
        std::string exe;
    };

    std::string procPath(std::int32_t pid, const char* file) const;
    std::optional<Facts> factsOf(std::int32_t pid) const;
    std::optional<Facts> readFacts(std::int32_t pid) const;
    std::optional<ProcStat> statOf(std::int32_t pid) const;
    void checkSwap();
    const std::string& cgroupOf(std::int32_t pid) const;
    bool isSystem(std::int32_t pid, const Facts& facts, const std::string& cgroup) const;
    bool isDisplayServer(std::int32_t pid, const Facts& facts) const;
    bool inThisSession(std::int32_t pid, const std::string& cgroup);
    bool typedWithinUnit(std::int32_t pid, const std::string& cgroup) const;
    bool isTyped(const Facts& facts) const;
    bool endsWalk(std::int32_t pid, const Facts& facts) const;
    const DesktopEntry* claimedByAncestor(std::int32_t pid, const Facts& facts) const;
    const DesktopEntry* windowEntryOf(std::int32_t pid) const;
    void checkWindows();
    const DesktopEntry* appOf(std::int32_t pid, const Facts& facts,
                              const std::string& cgroup) const;

    Options options_;
    std::shared_ptr<DesktopEntries> desktop_;
    std::unordered_map<std::int32_t, std::uint64_t> ancestors_;  // pid → start time
    const std::set<std::int32_t>* roles_ = nullptr;  // as asked at the start of the pass
    std::unordered_map<std::int32_t, Tracked> tracked_;
    // What was read of processes in this pass: a new process's stat is needed both to track
    // it and to identify it, and ancestors are shared by many processes.
    mutable std::unordered_map<std::int32_t, std::optional<ProcStat>> statsThisPass_;
    mutable std::unordered_map<std::int32_t, std::optional<Facts>> factsThisPass_;
    mutable std::unordered_map<std::int32_t, std::string> cgroupsThisPass_;
    const std::set<std::int32_t>* servers_ = nullptr;  // as asked at the start of the pass
    const std::map<std::int32_t, std::vector<std::string>>* windows_ = nullptr;  // likewise
    std::map<std::int32_t, std::vector<std::string>> windowsKnown_;
    bool stale_ = false;
    int passes_ = 0;
    std::size_t openFileBudget_ = 0;  // files that may stay open
    std::uint64_t pageSize_ = 4096;
    bool swapInUse_ = true;
};

// The session's own machinery by process name: display servers, compositors and shells,
// panels, audio servers, portals, input methods, agents.
bool isSessionInfrastructure(std::string_view name);

// Programs that start the user's apps without owning them: application launchers, docks and
// panels, by process name.
bool isLauncher(std::string_view name);

}  // namespace tv::linux_os
