#pragma once

#include <string>
#include <vector>

#include "core/ProcessUsage.h"

namespace tv::test {

constexpr std::uint64_t GB = 1ULL << 30;

// An app row "app:/<name>.app" with the given footprint, CPU and pids.
inline ProcessUsage app(const std::string& name, double gigabytes, double cpu,
                        std::vector<std::int32_t> pids, bool system = false, bool typed = false) {
    ProcessUsage r;
    r.appPath = "/" + name + ".app";
    r.id = "app:" + *r.appPath;
    r.name = name;
    r.memory = static_cast<std::uint64_t>(gigabytes * static_cast<double>(GB));
    r.cpu = cpu;
    r.count = static_cast<int>(pids.size());
    r.pids = std::move(pids);
    r.system = system;
    r.typed = typed;
    return r;
}

}  // namespace tv::test
