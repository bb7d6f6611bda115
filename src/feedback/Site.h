#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace tv {

// The project's web site, to which reviews and crash reports are posted. The address is
// https://tallyvane.app/ unless the environment variable TALLYVANE_SITE_URL names another
// http or https address (for tests and self-hosted sites). Requests go through the system's
// proxy settings.
class Site : public QObject {
    Q_OBJECT
  public:
    using Done = std::function<void(std::optional<QString> error)>;

    static constexpr int defaultTimeoutMs = 15000;
    static constexpr const char* defaultUrl = "https://tallyvane.app/";

    explicit Site(QObject* parent = nullptr);
    // A site at `url`; a request that hears nothing for `timeoutMs` fails.
    Site(QUrl url, int timeoutMs, QObject* parent = nullptr);

    // The address the environment gives, else the project's.
    static QUrl configuredUrl();

    QUrl url() const { return url_; }
    // `path` ("api/review") under the site's address.
    QUrl address(const QString& path) const;

    // POSTs `body` with its content type to `path`. `done` is called once, with no error only
    // when the site answered with HTTP status 200 and the exchange completed; a transport
    // error (also one after the status line), a timeout, a redirect or any other status is an
    // error. The answer's body is ignored.
    void post(const QString& path, const QByteArray& body, const QByteArray& type, Done done);

    // GETs `path`; `done` gets at most `longest` bytes of the answer's body when the site
    // answered with HTTP status 200 and the whole answer arrived, and nothing otherwise.
    void get(const QString& path, qint64 longest,
             std::function<void(std::optional<QByteArray> body)> done);

  private:
    struct Answer {
        int status = 0;  // 0 when no HTTP answer came
        QByteArray body;
        // The transfer failed (refused, cut off, timed out, aborted), whatever status came
        // before: an answer whose body never arrived whole is no answer.
        bool failed = false;
        QString error;
        // Only a whole answer with status 200 is one the site accepted.
        bool accepted() const { return status == 200 && !failed; }
    };
    QNetworkAccessManager& network();
    // Keeps up to `longest` bytes of the reply's body, then calls `done` once.
    void await(QNetworkReply* reply, qint64 longest, std::function<void(Answer)> done);

    QUrl url_;
    int timeoutMs_;
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace tv
