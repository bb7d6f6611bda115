#pragma once

#include <string>

namespace tv::linux_os {

// Where the program at `program` (an absolute path) finds its files of one kind: the first
// non-empty folder of "<dir>/<kind>", "<dir>/../<kind>" (the build tree, its test programs
// one level down) and "<dir>/../share/tallyvane/<kind>" (an installation prefix), where <dir>
// holds the program. Empty when none of them holds a file.
std::string resourceFolderOf(const std::string& program, const std::string& kind);

// The running program's own executable file, from /proc/self/exe.
std::string runningProgram();

}  // namespace tv::linux_os
