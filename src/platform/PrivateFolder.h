#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tv {

// A folder only this user can write to, for small files that must outlive a crash of
// TallyVane (the undo journals). Anything found in it that is not plainly the user's own is
// neither read nor changed.
class PrivateFolder {
  public:
    virtual ~PrivateFolder() = default;

    // The folder exists (it is made when missing) and is safe to keep files in.
    virtual bool usable() = 0;
    // Where the folder is and whether it can be used; why not, when it cannot.
    virtual std::string describe() = 0;
    virtual std::string path() const = 0;

    // The names of the files in it.
    virtual std::vector<std::string> names() = 0;
    // A file's text; absent when it is missing, too large, or not a regular file of ours
    // that no one else may write.
    virtual std::optional<std::string> read(const std::string& name) = 0;
    // Replaces a file as a whole (never following a link); false when it could not.
    virtual bool write(const std::string& name, const std::string& text) = 0;
    virtual void remove(const std::string& name) = 0;
};

}  // namespace tv
