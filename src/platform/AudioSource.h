#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace tv {

// Which processes are playing or recording sound now; empty when the platform's sound
// server cannot be asked.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual std::set<std::int32_t> pids() = 0;
    // Apps making sound whose pid the server could not check (a sandbox numbers its own
    // processes), by application id, to be matched to their rows.
    virtual std::set<std::string> appIds() { return {}; }
    // Connected to a sound server now.
    virtual bool available() = 0;
};

}  // namespace tv
