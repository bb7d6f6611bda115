#include "app/CaptureFiles.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/UserFiles.h"

namespace tv::CaptureFiles {

bool put(const QString& folder, const QString& name, const QByteArray& bytes) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        return false;
    }
    return platform::replaceFile((folder + QLatin1Char('/') + name).toStdString(),
                                 bytes.toStdString(), 0644);
}

bool putPng(const QString& folder, const QString& name, const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG") &&
           put(folder, name, bytes);
}

QString frameName(int number) {
    return QStringLiteral("menubar-%1.png").arg(number, 3, 10, QLatin1Char('0'));
}

bool writeScreen(const QString& folder, const QRect& panel, const QRect& primary) {
    QJsonObject rect{{QStringLiteral("x"), panel.x() - primary.x()},
                     {QStringLiteral("y"), panel.y() - primary.y()},
                     {QStringLiteral("width"), panel.width()},
                     {QStringLiteral("height"), panel.height()}};
    return put(folder, QStringLiteral("screen.json"),
               QJsonDocument(rect).toJson(QJsonDocument::Compact));
}

bool writeTimes(const QString& folder, const std::vector<double>& times) {
    QJsonArray array;
    for (double time : times) {
        array.append(time);
    }
    return put(folder, QStringLiteral("times.json"),
               QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace tv::CaptureFiles
