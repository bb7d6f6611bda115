// The crash-report folder's file names: which one is TallyVane's newest.
#include "FuzzRoot.h"
#include "feedback/Crashes.h"
#include "platform/CrashReports.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include <cctype>

namespace {

// "tallyvane-" in any case, then anything, then ".ips".
bool ours(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.size() >= 14 && lower.rfind("tallyvane-", 0) == 0 &&
           name.compare(name.size() - 4, 4, ".ips") == 0;
}

}  // namespace

// The folder itself is never looked at here; the crash writer that knows it is not built in.
std::string tv::platform::crashReportFolder() {
    return "/nonexistent";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    tv::Date since = tv::dateFromSeconds(input.ConsumeIntegralInRange<int>(0, 100));
    std::vector<tv::Crashes::Entry> entries;
    while (input.remaining_bytes() > 0 && entries.size() < 16) {
        tv::Date when = tv::dateFromSeconds(input.ConsumeIntegralInRange<int>(0, 100));
        entries.push_back({input.ConsumeRandomLengthString(40), when});
    }
    auto chosen = tv::Crashes::newest(entries, since);
    bool any = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return ours(entry.name) && entry.date > since;
    });
    tv::fuzz::check(chosen.has_value() == any, "a report is chosen exactly when one is new");
    if (chosen) {
        tv::fuzz::check(ours(chosen->name), "only TallyVane's reports are chosen");
        for (const auto& entry : entries) {
            tv::fuzz::check(!ours(entry.name) || !(entry.date > chosen->date),
                            "the newest report is chosen");
        }
    }
    return 0;
}
