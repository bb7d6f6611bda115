#include "speedtest/SpeedTool.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace tv {

namespace {

std::optional<double> finiteNumber(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        return std::nullopt;
    }
    return value.toDouble();
}

}  // namespace

SpeedTool SpeedTool::find(const QString& programDir, const QString& systemPath) {
    SpeedTool tool;
    tool.program = systemPath;
    if (!tool.available()) {
        tool.program = QDir(programDir).filePath(QString::fromLatin1(ownTool));
    }
    return tool;
}

bool SpeedTool::useConfiguration(const QString& url) {
    QUrl given(url, QUrl::StrictMode);
    bool usable =
        given.isValid() && !given.host().isEmpty() &&
        (given.scheme() == QLatin1String("https") || given.scheme() == QLatin1String("http"));
    if (!usable || QFileInfo(program).fileName() != QLatin1String(ownTool)) {
        return false;
    }
    arguments << QStringLiteral("-C") << given.toString();
    return true;
}

bool SpeedTool::available() const {
    QFileInfo file(program);
    return file.isFile() && file.isExecutable();
}

std::optional<SpeedResult> SpeedTool::measure(const std::function<Date()>& clock) const {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    QDeadlineTimer deadline(boundMs);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(boundMs)) {
        return std::nullopt;
    }
    // Read the pipe to its end, then wait for the exit.
    QByteArray output;
    auto left = [&] { return static_cast<int>(std::max<qint64>(1, deadline.remainingTime())); };
    while (!deadline.hasExpired() && output.size() <= maxOutput) {
        if (!process.waitForReadyRead(left())) {
            // The output has ended, or the time is up: what is left is the exit.
            if (process.state() != QProcess::NotRunning) {
                process.waitForFinished(left());
            }
            break;
        }
        output += process.readAllStandardOutput();
    }
    if (process.state() != QProcess::NotRunning || output.size() > maxOutput) {
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    }
    output += process.readAllStandardOutput();
    return parse(output, clock());
}

std::optional<SpeedResult> SpeedTool::parse(const QByteArray& output, Date at) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(output, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    QJsonObject object = document.object();
    std::optional<double> down = finiteNumber(object.value(QLatin1String("dl_throughput")));
    std::optional<double> up = finiteNumber(object.value(QLatin1String("ul_throughput")));
    // A negative figure is no measurement; a run that measured nothing is a failure.
    if (!down || !up || *down < 0 || *up < 0 || (*down <= 0 && *up <= 0)) {
        return std::nullopt;
    }
    SpeedResult result;
    result.down = *down;
    result.up = *up;
    result.ping = std::max(0.0, finiteNumber(object.value(QLatin1String("base_rtt"))).value_or(0));
    result.at = at;
    return result;
}

}  // namespace tv
