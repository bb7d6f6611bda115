#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>
#include <optional>
#include <string>

#include "core/Date.h"
#include "feedback/Site.h"

namespace tv {

class Settings;

// When a crash report is offered, what answering it records, and sending it. The answer is
// the answered report's own modification time ("crashesAskedUntil"), so each report is
// offered once and any later one is offered again.
namespace CrashOffer {

inline constexpr const char* path = "api/crash";
// A report larger than this is not ours to send: the writer's reports are a few kilobytes.
inline constexpr qint64 largestReport = 4 << 20;

// Reports written strictly after the returned time may be offered: the answered report's
// time when there is one (a positive, finite `askedUntil`), else the first launch, else now.
Date since(double askedUntil, std::optional<Date> firstLaunch, Date now);
// The same from the stored settings.
Date since(const Settings& settings, Date now);

// The user sent or declined the report written at `written`.
void recordAnswer(Settings& settings, Date written);

// The report's bytes; absent when the file cannot be read or is larger than `largestReport`.
std::optional<QByteArray> read(const std::string& file);

// Reads `file` off the main thread and posts its bytes as text/plain to the site's
// "api/crash". When the site answers 200 the answer is recorded in `settings` as the report
// written at `written`, whether or not the view that asked is still there: the user did
// answer. `done` then runs on the application's thread, once, with no error only when the
// site answered 200; never when `context` (an object of that thread) is gone by then, so a
// view closed mid-send is never called. `settings` must outlive the exchange (the shell's
// settings live for the whole run).
void send(Site& site, Settings& settings, const std::string& file, Date written, QObject* context,
          Site::Done done);

}  // namespace CrashOffer

}  // namespace tv
