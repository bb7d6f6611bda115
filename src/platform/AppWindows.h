#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tv {

// The desktop's application windows: which process shows a window of which class. Ties an
// app to its desktop entry where nothing else does (an entry that starts a script, which starts
// the app some way no file tells).
class AppWindows {
  public:
    virtual ~AppWindows() = default;
    // The window classes (instance and class names) of each process's windows, as last asked;
    // asks the desktop again when that answer has grown old, so it may be called once per pass.
    virtual const std::map<std::int32_t, std::vector<std::string>>& classesByPid() = 0;
};

}  // namespace tv
