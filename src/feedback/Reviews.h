#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include "core/Date.h"
#include "core/ReviewTiming.h"
#include "feedback/Site.h"

namespace tv {

class Settings;

// A rating as the web site receives it.
struct Review {
    int stars = 0;    // 1 … 5
    QString comment;  // without surrounding white space
    QString version;  // this program's version; may be empty
    QString os;       // the operating system, as platform::osVersion() gives it

    bool operator==(const Review&) const = default;
};

// Asking for a rating and sending it.
namespace Reviews {

inline constexpr const char* supportAddress = "support@tallyvane.app";
inline constexpr const char* path = "api/review";

// The review of `stars` with `comment` trimmed of white space and line breaks at both ends.
Review make(int stars, const QString& comment, const QString& version, const QString& os);

// Compact JSON with exactly the keys "stars", "comment", "version" and "os", in that order.
QByteArray json(const Review& review);

// Posts the review to the site; a rating outside 1 … 5 is not sent and counts as an error.
void send(Site& site, const Review& review, Site::Done done);
// Sends the review and, when the site accepts it, records its stars in `settings` whether
// or not the page that sent it is still open: the review was given. `done` runs afterwards
// only while `context` exists. `settings` must outlive the exchange (the shell's do).
void submit(Site& site, Settings& settings, const Review& review, QObject* context,
            Site::Done done);

// The stored state of the rating request.
ReviewTiming timing(const Settings& settings);
// "Not now" pressed at `now`.
void putOff(Settings& settings, Date now);
// A review of `stars` was accepted by the site.
void recordSent(Settings& settings, int stars);

// A new e-mail to support, its subject "TallyVane " and the version.
QUrl supportMail(const QString& version);

}  // namespace Reviews

}  // namespace tv
