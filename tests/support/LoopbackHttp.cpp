#include "support/LoopbackHttp.h"

#include <QTcpSocket>

#include <utility>

namespace tv::test {

LoopbackHttp::LoopbackHttp() {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl LoopbackHttp::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()));
}

QUrl LoopbackHttp::closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
}

void LoopbackHttp::read(QTcpSocket* socket) {
    QByteArray data = socket->property("seen").toByteArray() + socket->readAll();
    socket->setProperty("seen", data);
    qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        return;
    }
    Request request;
    QList<QByteArray> lines = data.left(end).split('\n');
    QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers[lines[i].left(colon).trimmed().toLower()] =
                lines[i].mid(colon + 1).trimmed();
        }
    }
    qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (data.size() < end + 4 + length) {
        return;
    }
    request.body = data.mid(end + 4, length);
    requests.push_back(request);
    if (silent) {
        return;
    }
    if (holding) {
        held_.emplace_back(socket);
        return;
    }
    answer(socket);
}

void LoopbackHttp::answerHeld() {
    for (const QPointer<QTcpSocket>& socket : std::exchange(held_, {})) {
        if (socket) {
            answer(socket);
        }
    }
}

void LoopbackHttp::answer(QTcpSocket* socket) {
    QByteArray payload = status == 204 ? QByteArray() : body;
    qsizetype promised = payload.size() + (cutShort ? 4096 : 0);
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nContent-Length: " +
                  QByteArray::number(promised) + "\r\nConnection: close\r\n\r\n" + payload);
    socket->disconnectFromHost();
}

}  // namespace tv::test
