#include "platform/linux/desktop/ResourceFolder.h"

#include <filesystem>

#include "platform/Platform.h"

namespace tv::linux_os {

namespace fs = std::filesystem;

std::string resourceFolderOf(const std::string& program, const std::string& kind) {
    fs::path beside = fs::path(program).parent_path();
    for (const fs::path& candidate : {beside / kind, beside.parent_path() / kind,
                                      beside.parent_path() / "share/tallyvane" / kind}) {
        std::error_code error;
        if (fs::is_directory(candidate, error) && !fs::is_empty(candidate, error) && !error) {
            return candidate.lexically_normal().string();
        }
    }
    return {};
}

std::string runningProgram() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.string();
}

}  // namespace tv::linux_os

namespace tv::platform {

namespace {
const std::string& program() {
    static const std::string path = linux_os::runningProgram();
    return path;
}
}  // namespace

std::string resourceFolder(const std::string& kind) {
    return program().empty() ? std::string() : linux_os::resourceFolderOf(program(), kind);
}

std::string programFolder() {
    return program().empty() ? std::string()
                             : std::filesystem::path(program()).parent_path().string();
}

}  // namespace tv::platform
