#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tv::platform {

// The desktop's file manager, asked to show a file.
class FileManager {
  public:
    virtual ~FileManager() = default;
    // Opens a window of the file manager with the file at `path` selected. `done` is called
    // once, on the calling thread: false when no file manager took the request.
    virtual void showItem(const std::string& path, std::function<void(bool shown)> done) = 0;
};

// The file manager of the user's desktop session; needs the Qt application to exist.
std::unique_ptr<FileManager> fileManager();

}  // namespace tv::platform
