#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tv {

// Files of the user's own (settings, the autostart entry) read and written defensively: a
// pipe, device or folder where a file is expected is never opened for reading or blocked on,
// an oversized file is not read, and a write never goes through a link planted in the way.

// Who a file is and which version of it: any edit or replacement changes it.
struct FileStamp {
    bool exists = false;
    bool regular = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    unsigned mode = 0;  // permission bits

    bool operator==(const FileStamp&) const = default;
};

struct FileRead {
    enum class Outcome {
        missing,     // no file there
        read,        // `bytes` holds all of it
        unreadable,  // not a regular file, larger than allowed, or it could not be read
    };
    Outcome outcome = Outcome::missing;
    std::string bytes;
    FileStamp stamp;  // of what was read (or found)
};

namespace platform {

// The stamp of the file at `path` (following links, as reading it would).
FileStamp fileStamp(const std::string& path);

// The whole of a regular file of at most `limit` bytes.
FileRead readRegularFile(const std::string& path, std::size_t limit);

// Puts `bytes` at `path` all at once: written to a new file created exclusively beside it
// (never through an existing name or link), flushed, then renamed over `path`. Whatever was
// at `path` is replaced, a link itself and never its target. False, with nothing changed,
// when any step fails.
bool replaceFile(const std::string& path, const std::string& bytes, unsigned mode);

}  // namespace platform
}  // namespace tv
