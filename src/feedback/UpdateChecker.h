#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

#include "core/Date.h"

namespace tv {

class Settings;
class Site;

// What a check for updates learned.
struct UpdateAnswer {
    enum class Kind { upToDate, newer, failed };

    Kind kind = Kind::failed;
    QString version;  // the newer version
    QUrl link;        // its download page

    bool operator==(const UpdateAnswer&) const = default;
};

// Learns whether a newer TallyVane is out by reading the version feed on the web site
// ("version" under its address): its first line is the newest version ("1.4.2"), an optional
// second line the http(s) address of its download page (else the site's "download" page).
// Nothing is downloaded or installed.
//
// Automatic checks (off until the user switches them on) run after a tick, never before the
// first one, and at most once a day, also across restarts.
class UpdateChecker : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* automaticKey = "checkForUpdates";
    // When the last automatic check was made, seconds since 1970.
    static constexpr const char* checkedAtKey = "updatesCheckedAt";
    static constexpr double checkEvery = 86400;

    static constexpr const char* feedPath = "version";
    static constexpr const char* downloadsPath = "download";

    UpdateChecker(Settings& settings, Site& site, QString currentVersion,
                  QObject* parent = nullptr);

    // After each tick: an automatic check when one is due.
    void tick(Date now);
    // "Check now": `done` gets the answer. Checks asked for while one runs share its answer.
    void checkNow(std::function<void(UpdateAnswer)> done);

    bool automatic() const;
    void setAutomatic(bool on);
    // The newer version the latest check that could read the feed found, automatic or asked
    // for; absent when that check found this version newest, or before any.
    const std::optional<UpdateAnswer>& newer() const { return newer_; }

    // Whether `candidate` ("1.2.10") is a later version than `current` ("1.2.9").
    static bool isNewer(const QString& candidate, const QString& current);
    // The answer the feed gives with `body`; absent when it could not be read.
    static UpdateAnswer read(const std::optional<QByteArray>& body, const QString& current,
                             const QUrl& downloads);

  signals:
    // An automatic check found a newer version.
    void newerFound(const tv::UpdateAnswer& answer);

  private:
    Settings& settings_;
    Site& site_;
    QString current_;
    std::vector<std::function<void(UpdateAnswer)>> waiting_;
    // Before this, no tick looks at the settings again.
    std::optional<Date> nextLook_;
    std::optional<UpdateAnswer> newer_;
};

}  // namespace tv
