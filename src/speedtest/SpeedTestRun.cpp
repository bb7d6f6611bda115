#include "speedtest/SpeedTestRun.h"

namespace tv {

SpeedTestRun::SpeedTestRun(SpeedTool tool, std::function<Date()> clock, QObject* parent)
    : QObject(parent), tool_(std::move(tool)), clock_(std::move(clock)) {
    bound_.setSingleShot(true);
    connect(&bound_, &QTimer::timeout, this, &SpeedTestRun::overran);
}

SpeedTestRun::~SpeedTestRun() {
    if (process_) {
        // The tool stops cleanly on SIGTERM; a tool that does not is killed.
        process_->disconnect(this);
        process_->terminate();
        if (!process_->waitForFinished(2000)) {
            process_->kill();
            process_->waitForFinished(1000);
        }
    }
}

void SpeedTestRun::run() {
    if (started_) {
        return;
    }
    started_ = clock_();
    emit startedChanged();
    if (failed_) {
        failed_ = false;
        emit failedChanged();
    }

    auto* process = new QProcess(this);
    process_ = process;
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    // One result is a few hundred bytes; a tool that floods its output is stopped, and the
    // run fails.
    connect(process, &QProcess::readyReadStandardOutput, this, [process] {
        if (process->bytesAvailable() > SpeedTool::maxOutput) {
            process->kill();
        }
    });
    connect(process, &QProcess::finished, this, [this, process] {
        QByteArray output = process->bytesAvailable() > SpeedTool::maxOutput
                                ? QByteArray()
                                : process->readAllStandardOutput();
        process->deleteLater();
        finish(SpeedTool::parse(output, clock_()));
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
        // A crash or a failed read still ends in `finished`; only a tool that never started
        // ends here.
        if (e == QProcess::FailedToStart) {
            process->deleteLater();
            finish(std::nullopt);
        }
    });
    bound_.start(tool_.boundMs);
    process->start(tool_.program, tool_.arguments, QIODevice::ReadOnly);
}

void SpeedTestRun::overran() {
    QProcess* process = process_;
    if (!process) {
        return;
    }
    // Asked to stop, then killed if it does not; it is gone once it has ended. What it
    // printed so far is no result.
    process->disconnect(this);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->terminate();
    QTimer::singleShot(killAfterMs, process, [process] { process->kill(); });
    finish(std::nullopt);
}

void SpeedTestRun::finish(std::optional<SpeedResult> result) {
    bound_.stop();
    process_ = nullptr;
    started_.reset();
    if (result) {
        result_ = result;
        emit resultChanged();
    } else {
        failed_ = true;
        emit failedChanged();
    }
    emit startedChanged();
}

}  // namespace tv
