#pragma once

#include "platform/PrivateFolder.h"

namespace tv::linux_os {

// A folder under the user's runtime directory ($XDG_RUNTIME_DIR, private to the user and
// cleared at logout). It is used only while it is a real directory (not a link) owned by
// this user with mode 0700 (checked again through the open descriptor); each file only
// while it is a regular file owned by this user that no one else may write. There is no
// fallback to a shared folder.
class LinuxPrivateFolder : public PrivateFolder {
  public:
    static constexpr std::size_t largestFile = 1 << 20;

    // `path` empty: no folder at all.
    explicit LinuxPrivateFolder(std::string path) : path_(std::move(path)) {}

    // "$XDG_RUNTIME_DIR/TallyVane", or empty when the variable is unset or not absolute.
    static std::string defaultPath();

    bool usable() override;
    std::string describe() override;
    std::string path() const override { return path_; }
    std::vector<std::string> names() override;
    std::optional<std::string> read(const std::string& name) override;
    bool write(const std::string& name, const std::string& text) override;
    void remove(const std::string& name) override;

  private:
    // Why the folder cannot be used; empty when it can.
    std::string problem(bool create);

    std::string path_;
};

}  // namespace tv::linux_os
