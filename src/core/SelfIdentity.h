#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// Who TallyVane is, so that its own row can be recognised in app lists.
struct SelfIdentity {
    std::optional<std::string> appPath;  // where the program's own application lives
    std::int32_t pid = 0;

    bool operator==(const SelfIdentity&) const = default;
};

}  // namespace tv
