#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/AlertMessage.h"
#include "core/Held.h"
#include "core/Moment.h"
#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"

namespace tv {

// Decides, once per sample, which background apps to hold back so the app in front stays
// quick: busy apps are slowed during any trouble, and when memory runs out the biggest one is
// paused. After a calm minute they are let go one at a time. Pure: time comes in, changes
// go out; nothing here touches a process.
class MakeWay {
  public:
    static constexpr double busyCPU = 50.0;
    static constexpr double busyTimeToSlow = 10.0;
    static constexpr double pauseSpacing = 15.0;
    static constexpr int mostPausedAtOnce = 3;
    static constexpr std::uint64_t smallestAppToPause = 524'288'000;  // 500 MiB
    static constexpr double calmMinute = 60.0;
    static constexpr double releaseSpacing = 15.0;

    explicit MakeWay(SelfIdentity self = {}) : self_(std::move(self)) {}

    // `front` is the front app's application path (on Linux, its row id when it has none).
    // While it is unknown, what is held is still refreshed, dropped when gone and let go
    // after a calm minute, but nothing new is held.
    std::vector<Change> update(int pressure, ThermalState thermal,
                               const std::vector<ProcessUsage>& processes,
                               const std::optional<std::string>& front,
                               const std::set<std::int32_t>& audible, Moment now);

    // Lets the app go at the user's request; it is not held again while the trouble lasts.
    std::vector<Change> resume(const std::string& id);
    std::vector<Change> resumeAll();

    // Takes back what the executor did not do, given what it holds now (`done`, per app id),
    // and returns the changes as they were carried out. An app it holds not at all is no
    // longer held and is not tried again while the trouble lasts (if it had been held
    // before, it is let go); one it could only slow stays slowed and is not paused again
    // while the trouble lasts; a pause it did not make leaves the pause slot unused.
    std::vector<Change> settle(const std::vector<Change>& changes,
                               const std::map<std::string, Hold>& done);

    // Whether these changes deserve an announcement: a pause always, a slowing once per
    // stretch of trouble, releases never.
    bool shouldSay(const std::vector<Change>& changes);

    // Joins app names for a sentence: "A", "A and B", "A, B and 2 more".
    static std::string list(const std::vector<std::string>& names);
    // The announcement for the held list (paused first, then by name); absent when empty.
    static std::optional<AlertMessage> message(const std::vector<Held>& held,
                                               const Vocabulary& words);

    const std::map<std::string, Held>& held() const { return held_; }
    // The held apps as shown: paused before slowed, then by name.
    std::vector<Held> heldList() const;
    const std::set<std::string>& excused() const { return excused_; }
    bool said() const { return said_; }

  private:
    bool isCandidate(const ProcessUsage& row, const std::optional<std::string>& front,
                     const std::set<std::int32_t>& audible) const;
    void slowBusyApps(const std::vector<const ProcessUsage*>& candidates, Moment now,
                      std::vector<Change>& out);
    void pauseBiggestApp(const std::vector<const ProcessUsage*>& candidates, Moment now,
                         std::vector<Change>& out);
    void releaseAfterCalm(Moment now, std::vector<Change>& out);
    // The executor did not pause this app: it is not tried again while the trouble lasts,
    // and the slot goes back if this sample's pause was its.
    void pauseRefused(const std::string& id);

    SelfIdentity self_;
    std::map<std::string, Held> held_;
    std::set<std::string> excused_;
    std::set<std::string> notToPause_;  // pauses the executor refused, while the trouble lasts
    // For each busy candidate, when its unbroken busy run began, and the sample that last saw
    // it busy (entries not seen in the current sample are dropped).
    struct BusyRun {
        Moment since;
        std::uint64_t seen = 0;
    };
    std::unordered_map<std::string, BusyRun> busySince_;
    std::uint64_t samples_ = 0;
    bool said_ = false;
    std::optional<Moment> calmSince_;
    std::optional<Moment> lastPause_;    // absent: the distant past
    std::optional<Moment> lastRelease_;  // absent: the distant past
    // The latest sample's pause, until the executor confirms it: which app, whether it was
    // slowed before, and when the pause before it was.
    struct PauseMade {
        std::string id;
        bool wasSlowed = false;
        std::optional<Moment> before;
    };
    std::optional<PauseMade> pauseMade_;
};

}  // namespace tv
