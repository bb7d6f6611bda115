#include "app/CaptureFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tv::CaptureFiles {

namespace {

bool writeJson(const QString& path, const QJsonDocument& document) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QByteArray bytes = document.toJson(QJsonDocument::Compact);
    return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

QString frameName(int number) {
    return QStringLiteral("menubar-%1.png").arg(number, 3, 10, QLatin1Char('0'));
}

bool writeScreen(const QString& folder, const QRect& panel, const QRect& primary) {
    QJsonObject rect{{QStringLiteral("x"), panel.x() - primary.x()},
                     {QStringLiteral("y"), panel.y() - primary.y()},
                     {QStringLiteral("width"), panel.width()},
                     {QStringLiteral("height"), panel.height()}};
    return writeJson(folder + QStringLiteral("/screen.json"), QJsonDocument(rect));
}

bool writeTimes(const QString& folder, const std::vector<double>& times) {
    QJsonArray array;
    for (double time : times) {
        array.append(time);
    }
    return writeJson(folder + QStringLiteral("/times.json"), QJsonDocument(array));
}

}  // namespace tv::CaptureFiles
