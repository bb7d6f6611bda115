#include "core/CardTexts.h"

#include <cmath>

#include "core/Format.h"

namespace tv {

namespace CardTexts {

std::string machineLine(const std::string& chip, std::uint64_t totalBytes, Date bootedAt,
                        Date now) {
    double gigabytes = static_cast<double>(totalBytes) / 1073741824.0;
    return chip + " \u00B7 " + Format::wholeNumber(gigabytes) + " GB \u00B7 " +
           Format::uptime(bootedAt, now);
}

std::string confirmDetail(std::optional<Trouble> trouble, const ProcessUsage& culprit) {
    if (trouble == Trouble::heat) {
        return "Using " + Format::wholeNumber(culprit.cpu) + "% CPU";
    }
    return "Frees about " + Format::bytes(culprit.memory);
}

}  // namespace CardTexts

void QuitConfirmation::ask(double now) {
    askedAt_ = now;
    confirming_ = true;
}

bool QuitConfirmation::confirm(double now) {
    if (!confirming_ || !askedAt_ || now - *askedAt_ <= guard) {
        return false;
    }
    confirming_ = false;
    return true;
}

void QuitConfirmation::offer(const std::optional<std::string>& id) {
    if (id != offered_) {
        confirming_ = false;
        offered_ = id;
    }
}

}  // namespace tv
