#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "core/Date.h"
#include "core/SpeedResult.h"

namespace tv {

// The network-quality tool a speed test runs: the system's own where it exists, else ours,
// installed beside the program. Both take "-c -M 15" and print one JSON object whose
// "dl_throughput" and "ul_throughput" (bits per second) and "base_rtt" (milliseconds) are read.
struct SpeedTool {
    static constexpr const char* systemTool = "/usr/bin/networkQuality";
    static constexpr const char* ownTool = "tallyvane-netquality";
    // More output than this is no result.
    static constexpr qint64 maxOutput = 1 << 20;

    QString program;
    QStringList arguments{QStringLiteral("-c"), QStringLiteral("-M"), QStringLiteral("15")};
    // How long a run may take: the tool's own 15 s bound, its start-up and a margin. A tool
    // still running then is ended, and the run fails.
    int boundMs = 20'000;

    // The system tool when `systemPath` is executable, else our tool in `programDir` (the
    // folder of the running program), whether or not it is there: a missing tool fails the run.
    static SpeedTool find(const QString& programDir, const QString& systemPath = systemTool);

    // Points our own tool at another configuration server ("-C"), for a self-hosted server
    // or a test's: only an http or https address with a host counts, and the system tool,
    // which has no such option, is left as it is. Says whether the address was taken.
    bool useConfiguration(const QString& url);

    // Whether the program is there to run.
    bool available() const;

    // Runs the tool and waits for it to exit, at most `boundMs`; for a background thread only.
    // Absent when it cannot start, overruns or its output is no result.
    std::optional<SpeedResult> measure(const std::function<Date()>& clock) const;

    // One output of the tool: a JSON object with both throughputs finite, not negative and not
    // both 0; "base_rtt" is the ping when it is a finite number not below 0, else 0.
    static std::optional<SpeedResult> parse(const QByteArray& output, Date at);
};

}  // namespace tv
