#include "core/ProcessUsage.h"

namespace tv {

bool ProcessUsage::isSelf(const SelfIdentity& self) const {
    if (appPath && self.appPath && *appPath == *self.appPath) {
        return true;
    }
    return id == "pid:" + std::to_string(self.pid);
}

}  // namespace tv
