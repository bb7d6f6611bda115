#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

namespace tv {

class Settings;

// Learns whether a newer TallyVane is out by reading a one-line version feed from the web
// site. It checks once at launch only when the user has switched automatic checks on, and
// otherwise only when asked; nothing is downloaded or installed.
class UpdateChecker : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* automaticKey = "checkForUpdates";

    UpdateChecker(Settings& settings, QUrl feed, QString currentVersion, QObject* parent = nullptr);

    // At launch.
    void start();
    // "Check now": calls `done` with the newer version, or an empty text when this one is the
    // newest or the feed could not be read.
    void checkNow(std::function<void(QString newer)> done);

    bool automatic() const;
    void setAutomatic(bool on);

    // Whether `candidate` ("1.2.10") is a later version than `current` ("1.2.9").
    static bool isNewer(const QString& candidate, const QString& current);

  private:
    Settings& settings_;
    QUrl feed_;
    QString current_;
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace tv
