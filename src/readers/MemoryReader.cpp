#include "readers/MemoryReader.h"

#include <algorithm>

namespace tv {

MemorySample MemoryReader::read() {
    MemorySample s = source_->read();
    if (s.pressure != 1 && s.pressure != 2 && s.pressure != 4) {
        s.pressure = 0;
    }
    // Trim the parts in the order they are least certain: wired is what is left over, the
    // compressor's share comes next, apps last.
    s.app = std::min(s.app, s.total);
    s.compressed = std::min(s.compressed, s.total - s.app);
    s.wired = std::min(s.wired, s.total - s.app - s.compressed);
    s.swapUsed = std::min(s.swapUsed, s.swapTotal);
    return s;
}

}  // namespace tv
