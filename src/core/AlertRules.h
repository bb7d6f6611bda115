#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/AlertMessage.h"
#include "core/Moment.h"
#include "core/ProcessUsage.h"
#include "core/SelfIdentity.h"
#include "core/ThermalSample.h"
#include "core/Vocabulary.h"

namespace tv {

// Decides when to tell the user that memory is tight or critical, that the machine runs hot,
// or that an app has been stuck at full speed for ten minutes, and when to take it back.
// Each alert is posted once, repeated at most hourly while its problem lasts, withdrawn when
// the problem passes, and kept quiet for five minutes after that unless it comes back worse.
class AlertRules {
  public:
    // The three user switches, each on unless a boolean false is stored.
    struct Switches {
        bool memory = true;
        bool heat = true;
        bool stuck = true;
    };

    static constexpr double tightMemoryLasts = 120;
    static constexpr double repeatInterval = 3600;
    static constexpr double quietAfterEnding = 300;
    static constexpr double fullSpeed = 90.0;
    static constexpr double stillBusy = 70.0;
    static constexpr double stuckTime = 600;

    AlertRules(SelfIdentity self, const Vocabulary& words)
        : self_(std::move(self)), words_(&words) {}

    // `fresh`: the app list was read in this very sample.
    std::vector<AlertChange> update(int pressure, ThermalState thermal,
                                    const std::vector<ProcessUsage>& processes, bool fresh,
                                    Switches switches, Moment now);

    static AlertMessage memoryMessage(bool critical, const std::optional<ProcessUsage>& app,
                                      const Vocabulary& words);
    static AlertMessage heatMessage(bool critical, const std::optional<ProcessUsage>& app,
                                    const Vocabulary& words);
    static AlertMessage stuckMessage(const ProcessUsage& app);

    const std::set<std::string>& showing() const { return showing_; }

  private:
    struct Sent {
        Moment at;
        int level = 0;
    };

    bool shouldPost(const std::string& id, int level, Moment now) const;
    void post(AlertMessage message, int level, Moment now, std::vector<AlertChange>& out);
    void withdraw(const std::string& id, Moment now, std::vector<AlertChange>& out);
    void updateMemory(int pressure, const std::vector<ProcessUsage>& processes, bool on, Moment now,
                      std::vector<AlertChange>& out);
    void updateHeat(ThermalState thermal, const std::vector<ProcessUsage>& processes, bool on,
                    Moment now, std::vector<AlertChange>& out);
    void updateStuck(const std::vector<ProcessUsage>& processes, bool fresh, bool on, Moment now,
                     std::vector<AlertChange>& out);

    SelfIdentity self_;
    const Vocabulary* words_;
    std::map<std::string, Sent> sent_;
    std::set<std::string> showing_;
    std::map<std::string, Moment> endedAt_;
    std::optional<Moment> tightSince_;
    // Apps being counted as stuck: when the count began, and the list that last counted them.
    struct BusyRun {
        Moment since;
        std::uint64_t seen = 0;
    };
    std::unordered_map<std::string, BusyRun> busySince_;
    std::uint64_t freshLists_ = 0;
};

}  // namespace tv
