#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tv {

// The scheduling band for work that may wait: whatever the user runs in front is served first.
// Every change is one the same unprivileged user can undo.
class BackgroundBand {
  public:
    virtual ~BackgroundBand() = default;

    // Someone else already put the process in the band (it is then neither touched nor
    // restored).
    virtual bool isLowered(std::int32_t pid) = 0;
    // Moves every thread of the process into the band, remembering what each had before; true
    // when the process is now held in the band by us.
    virtual bool slow(std::int32_t pid) = 0;
    // Moves threads the process started since `slow` into the band too.
    virtual void follow(std::int32_t pid) = 0;
    // Gives back to each thread what it had, where the value is still the one we set.
    virtual void unslow(std::int32_t pid) = 0;
    // Forgets the process without touching it (someone else gave its values back already).
    virtual void forget(std::int32_t pid) = 0;
    // What `slow` changed and what was there before, as lines of plain data for the undo
    // journal: each names a thread by its id and start time.
    virtual std::vector<std::string> saved(std::int32_t pid) const = 0;
    // Lowers the CPU weight of a group of processes the app has to itself, where the
    // platform can; the saved line that gives it back, or empty when nothing was changed
    // (no such control, or someone else lowered it already).
    virtual std::string slowGroup(const std::string& group) = 0;
    // The CPU band by session: lowers the scheduling group that the platform forms for a
    // session, where such groups decide the share of these processes and only processes of
    // `pids` are in the group. What it changed, as saved lines (one per process of a lowered
    // group, so that any survivor can give it back), and the processes whose group is now low
    // (also where someone else lowered it).
    struct SessionsLowered {
        std::vector<std::string> saved;
        std::set<std::int32_t> covered;
    };
    virtual SessionsLowered slowSessions(const std::set<std::int32_t>& pids) = 0;
    // Whether `slow` lowers the CPU of each thread as well (not only its disk use). A thread's
    // own band weighs only against threads that share its scheduling group.
    virtual bool slowsThreadsCpu() const = 0;
    // Gives back what one saved line records, if that thread is still the same one and
    // still has the value we set. Lines it does not understand change nothing.
    virtual void restore(const std::string& line) = 0;
    // What the band does to a process on this machine, for the self-check.
    virtual std::string describe() const = 0;

    // Called with the saved lines of a change just before the change is made, so that the
    // undo journal can give it back even when TallyVane dies in between. A change that then
    // does not happen leaves a harmless line: only values still as we set them go back.
    using Recorder = std::function<void(const std::vector<std::string>& lines)>;
    void recordAheadWith(Recorder recorder) { recorder_ = std::move(recorder); }

  protected:
    void recordAhead(const std::vector<std::string>& lines) const {
        if (recorder_ && !lines.empty()) {
            recorder_(lines);
        }
    }

  private:
    Recorder recorder_;
};

}  // namespace tv
