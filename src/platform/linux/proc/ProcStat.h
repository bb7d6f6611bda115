#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv::linux_os {

// The fields of /proc/PID/stat that TallyVane uses.
struct ProcStat {
    std::string comm;  // the short name, up to 15 bytes
    char state = '?';  // R, S, D, T (stopped), t, Z, ...
    int ppid = 0;
    int pgrp = 0;
    int session = 0;
    unsigned flags = 0;
    long nice = 0;
    std::uint64_t utime = 0;  // clock ticks
    std::uint64_t stime = 0;
    std::uint64_t starttime = 0;  // clock ticks after boot
    unsigned policy = 0;          // scheduling policy: 1 FIFO, 2 RR, 6 DEADLINE are real-time

    static constexpr unsigned kernelThreadFlag = 0x00200000;

    bool isKernelThread() const { return (flags & kernelThreadFlag) != 0; }
    bool isRealTime() const { return policy == 1 || policy == 2 || policy == 6; }
};

// Parses the text of /proc/PID/stat. The name sits in parentheses and may itself hold spaces
// and parentheses, so the fields are counted from the last ")".
std::optional<ProcStat> parseProcStat(std::string_view text);

}  // namespace tv::linux_os
