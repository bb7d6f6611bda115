#include "app/CaptureFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace tv::CaptureFiles {

namespace {

// Whole or not at all: whoever watches the folder never reads a file half written.
bool writeJson(const QString& path, const QJsonDocument& document) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray bytes = document.toJson(QJsonDocument::Compact);
    return file.write(bytes) == bytes.size() && file.commit();
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
