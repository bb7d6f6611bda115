#pragma once

#include <cstdint>
#include <set>

namespace tv {

// Which processes are playing or recording sound now; empty when the platform's sound
// server cannot be asked.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual std::set<std::int32_t> pids() = 0;
    // Connected to a sound server now.
    virtual bool available() = 0;
};

}  // namespace tv
