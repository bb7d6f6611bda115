#pragma once

namespace tv {

// While it exists, a fatal message from the toolkit (its display plugin could not start) is
// a start-up failure, not a crash: it is said in one line on standard error and the program
// exits with status 1, instead of the abort that would follow and be reported as a crash.
// Other messages are printed as the toolkit would. Made around the application object's
// construction only.
class ToolkitStartGuard {
  public:
    ToolkitStartGuard();
    ~ToolkitStartGuard();
    ToolkitStartGuard(const ToolkitStartGuard&) = delete;
    ToolkitStartGuard& operator=(const ToolkitStartGuard&) = delete;
};

}  // namespace tv
