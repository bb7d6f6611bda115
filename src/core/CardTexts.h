#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Date.h"
#include "core/Health.h"
#include "core/ProcessUsage.h"

namespace tv {

// The health card's second lines.
namespace CardTexts {

// "chip · 16 GB · Up 2 days 2 hr": the installed memory in whole binary gigabytes.
std::string machineLine(const std::string& chip, std::uint64_t totalBytes, Date bootedAt, Date now);

// While confirming a quit: "Using 240% CPU" for heat trouble, else "Frees about 4.2 GB".
std::string confirmDetail(std::optional<Trouble> trouble, const ProcessUsage& culprit);

}  // namespace CardTexts

// The Quit → "Cancel"/"Quit" exchange of the health card. The second "Quit" acts only when it
// comes more than `guard` seconds after the first, so a double click on the first Quit
// does not quit; a change of the app on offer closes the confirmation. Times are monotonic
// seconds.
class QuitConfirmation {
  public:
    static constexpr double guard = 0.4;

    bool confirming() const { return confirming_; }
    void ask(double now);
    void cancel() { confirming_ = false; }
    // True when the quit should go ahead (the confirmation then closes).
    bool confirm(double now);
    // The id of the app on offer now (none without one); a different one closes the question.
    void offer(const std::optional<std::string>& id);

  private:
    bool confirming_ = false;
    std::optional<double> askedAt_;
    std::optional<std::string> offered_;
};

}  // namespace tv
