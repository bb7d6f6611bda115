#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How processes are named and classified from what the process table says of them. Shared by
// every platform's process source.
namespace tv::ProcessNaming {

// Programs that run a script, whose rows are named after the script: "python3 train.py".
// Case-sensitive.
bool isInterpreter(std::string_view name);

// Shells at whose prompt a person types commands.
bool isShell(std::string_view name);

// The text after the last "/", or the whole text without one.
std::string lastPathComponent(std::string_view path);

// The arguments of a process that rewrote its command line into one string (helpers of
// browser engines: "/opt/app/app --type=renderer --lang=en"; daemons that set a title:
// "postgres: checkpointer", "sshd: me@pts/0"), split into words again: the program first (the
// title's name without its colon). Arguments that were not rewritten come back unchanged; a
// lone first argument whose spaces belong to a path is not split.
std::vector<std::string> splitRewrittenCommandLine(const std::vector<std::string>& args,
                                                   std::string_view executablePath);

// The name of a stand-alone process: its first argument's last component, else its
// executable's, else `shortName`. An interpreter is followed by its script, skipping options.
// A rewritten command line is split first.
std::string commandName(const std::vector<std::string>& args, std::string_view executablePath,
                        std::string_view shortName);

// A command a person typed at an interactive shell: a shell with job control starts each
// command line in a process group of its own.
bool isTypedCommand(int processGroup, int parentProcessGroup, std::string_view parentName);

// Text made safe to show, one rule for every name whatever its source (arguments, executable
// paths, desktop files): invalid UTF-8 repaired with U+FFFD, C0 and C1 control characters
// (newlines, escapes, U+009B) and line separators turned into spaces, directional formatting
// characters (marks, embeddings, overrides, isolates) dropped.
std::string displayText(std::string_view bytes);

// The application bundle a path lives in: the text before the first ".app/" plus ".app", so
// a helper nested in another application belongs to the outermost one. Absent outside one.
std::optional<std::string> bundleOf(std::string_view path);

// An XPC service runs from inside a ".xpc/" bundle.
bool isServicePath(std::string_view path);

// The system's own executables by location: under /System, /usr (not /usr/local), /bin,
// /sbin or /Library/Apple. An empty (unreadable) path counts as the system's.
bool isSystemPath(std::string_view path);

}  // namespace tv::ProcessNaming
