#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tv::netquality {

// What the command line asks for.
struct ToolOptions {
    bool json = false;        // -c: one JSON object on standard output
    double maxSeconds = 15;   // -M SECONDS: upper bound of the whole run
    QString configUrl;        // -C URL: a responsiveness configuration; empty = built-in
    bool sequential = false;  // -s: download, then upload (else both at once)
    // -L BYTES: the most a run moves each way
    std::int64_t maxBytes = 1'000'000'000;
    bool help = false;  // -h

    // Absent for arguments that make no sense; `problem` then says why.
    static std::optional<ToolOptions> parse(const QStringList& arguments, QString* problem);
    static QString usage();
};

}  // namespace tv::netquality
