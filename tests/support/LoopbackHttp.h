#pragma once

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>

#include <vector>

class QTcpSocket;

namespace tv::test {

// A small HTTP/1.1 server on 127.0.0.1 for one test, in the test's own event loop. It keeps
// every request and answers each with `status` and `body`, or never answers while `silent`;
// while `cutShort`, the answer promises more body than it sends before hanging up. While
// `holding`, requests wait for `answerHeld()`, so a test can act while one is under way.
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
    bool cutShort = false;
    bool holding = false;
    std::vector<Request> requests;

    // Answers every request kept while `holding`, with the `status` and `body` of now.
    void answerHeld();

  private:
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket);

    QTcpServer server_;
    std::vector<QPointer<QTcpSocket>> held_;
};

}  // namespace tv::test
