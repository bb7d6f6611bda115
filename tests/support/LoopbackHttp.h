#pragma once

#include <QByteArray>
#include <QMap>
#include <QTcpServer>
#include <QUrl>

#include <vector>

class QTcpSocket;

namespace tv::test {

// A small HTTP/1.1 server on 127.0.0.1 for one test, in the test's own event loop. It keeps
// every request and answers each with `status` and `body`, or never answers while `silent`.
class LoopbackHttp : public QObject {
  public:
    struct Request {
        QByteArray method;
        QByteArray target;                     // as sent: a path, or a whole URL through a proxy
        QMap<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;
    };

    LoopbackHttp();

    QUrl url() const;
    // An address on loopback where nothing listens.
    static QUrl closedPort();

    int status = 200;
    QByteArray body;
    bool silent = false;
    std::vector<Request> requests;

  private:
    void read(QTcpSocket* socket);

    QTcpServer server_;
};

}  // namespace tv::test
