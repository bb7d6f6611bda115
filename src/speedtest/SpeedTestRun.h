#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <optional>

#include "core/Date.h"
#include "core/SpeedResult.h"
#include "speedtest/SpeedTool.h"

namespace tv {

// The state of the user's speed test: whether one runs (since when), whether the last one
// failed, and the last good result, which stays until a newer one replaces it. One run at a
// time; the tool runs as a child process, so the main thread never waits for it. A tool that
// is still running at its bound is ended and the run fails, so a hung tool never keeps the
// test "running" or blocks the next one. Lives on the main thread; dropping it ends a run
// still going.
class SpeedTestRun : public QObject {
    Q_OBJECT
  public:
    // How long an overrunning tool has to stop after being asked before it is killed.
    static constexpr int killAfterMs = 2000;

    SpeedTestRun(SpeedTool tool, std::function<Date()> clock, QObject* parent = nullptr);
    ~SpeedTestRun() override;

    // Starts a run unless one is in progress; clears the failure flag.
    void run();

    const std::optional<Date>& started() const { return started_; }
    bool failed() const { return failed_; }
    const std::optional<SpeedResult>& result() const { return result_; }
    const SpeedTool& tool() const { return tool_; }

  signals:
    void startedChanged();
    void failedChanged();
    void resultChanged();

  private:
    void finish(std::optional<SpeedResult> result);
    // The bound passed with the tool still running.
    void overran();

    SpeedTool tool_;
    std::function<Date()> clock_;
    std::optional<Date> started_;
    bool failed_ = false;
    std::optional<SpeedResult> result_;
    QPointer<QProcess> process_;
    QTimer bound_;
};

}  // namespace tv
