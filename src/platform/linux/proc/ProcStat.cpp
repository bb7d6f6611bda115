#include "platform/linux/proc/ProcStat.h"

#include <array>

#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

std::optional<ProcStat> parseProcStat(std::string_view text) {
    std::size_t open = text.find('(');
    std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::nullopt;
    }
    ProcStat stat;
    stat.comm = std::string(text.substr(open + 1, close - open - 1));
    std::string_view rest = text.substr(close + 1);

    // Fields 3 onwards of proc(5), numbered from 0 here: state, ppid, pgrp, ...
    std::array<std::string_view, 39> field{};
    std::size_t count = 0;
    for (; count < field.size(); ++count) {
        field[count] = nextField(rest);
        if (field[count].empty()) {
            break;
        }
    }
    if (count < 20 || field[0].size() != 1) {
        return std::nullopt;
    }
    auto number = [&](std::size_t i) -> std::optional<long long> {
        std::string_view f = field[i];
        bool negative = !f.empty() && f[0] == '-';
        auto value = parseUnsigned(negative ? f.substr(1) : f);
        if (!value || *value > (1ULL << 62)) {
            return std::nullopt;
        }
        return negative ? -static_cast<long long>(*value) : static_cast<long long>(*value);
    };
    auto ppid = number(1), pgrp = number(2), session = number(3), flags = number(6),
         utime = number(11), stime = number(12), nice = number(16), start = number(19);
    if (!ppid || !pgrp || !session || !flags || !utime || !stime || !nice || !start) {
        return std::nullopt;
    }
    stat.state = field[0][0];
    stat.ppid = static_cast<int>(*ppid);
    stat.pgrp = static_cast<int>(*pgrp);
    stat.session = static_cast<int>(*session);
    stat.flags = static_cast<unsigned>(*flags);
    stat.utime = static_cast<std::uint64_t>(*utime);
    stat.stime = static_cast<std::uint64_t>(*stime);
    stat.nice = static_cast<long>(*nice);
    stat.starttime = static_cast<std::uint64_t>(*start);
    if (count > 38) {
        stat.policy = static_cast<unsigned>(number(38).value_or(0));
    }
    return stat;
}

}  // namespace tv::linux_os
