#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tv::test {

// A real child process for a test, killed (with everything it started in its process group)
// and reaped when the test is done.
class Spawned {
  public:
    // Runs `program` (found on PATH unless it has a slash; argv[0] when empty) with `argv`.
    explicit Spawned(const std::vector<std::string>& argv, const std::string& program = "");
    ~Spawned();
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;

    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
};

// Runs `argv` as a process that gets exactly `pid` (a pid some earlier process had), through
// the kernel's ns_last_pid; null when that is not possible here (it needs root) or the pid
// could not be had.
std::unique_ptr<Spawned> spawnWithPid(pid_t pid, const std::vector<std::string>& argv);

// The output of a shell command, without its last newline.
std::string outputOf(const std::string& command);

// The descendants of `ancestor` now running, found in /proc.
std::vector<pid_t> descendantsOf(pid_t ancestor);

// The short name (comm) of a process; empty when it is gone.
std::string commOf(pid_t pid);

// The whole text of a file; what was read before a read failed (a /proc file of a process that
// has just ended fails with ESRCH, where reading through a stream iterator would throw);
// empty when it cannot be opened.
std::string textOf(const std::string& path);

// The state letter of a process in /proc/PID/stat ('T' when stopped); 0 when it is gone.
char processState(pid_t pid);

// Waits up to `seconds` for `ready` to hold, polling.
bool waitFor(double seconds, const std::function<bool()>& ready);

}  // namespace tv::test
