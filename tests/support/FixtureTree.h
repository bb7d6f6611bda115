#pragma once

#include <string>

namespace tv::test {

// A throw-away directory standing in for the filesystem root, with /proc and /sys files
// written by the test. Removed when it goes out of scope.
class FixtureTree {
  public:
    FixtureTree();
    ~FixtureTree();
    FixtureTree(const FixtureTree&) = delete;
    FixtureTree& operator=(const FixtureTree&) = delete;

    // Writes (or rewrites in place, so kept-open files see the change) a file under the root.
    void write(const std::string& relativePath, const std::string& text) const;
    void remove(const std::string& relativePath) const;

    const std::string& root() const { return root_; }

  private:
    std::string root_;
};

}  // namespace tv::test
