#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tv {

class AppShell;
class Backdrop;

// The capture mode of "--open FOLDER": 40 s after launch it writes stills of the tray item
// and of every view into the folder; then it closes the panel, or, when "recordSeconds" is
// 1 or more, 25 s later records the tray item once per tick for that many seconds over a
// plain backdrop around the open panel, with the panel's place ("screen.json") and each
// frame's time ("times.json"), and closes the panel. The folder is never created; a file that
// cannot be written is skipped and the capture goes on.
class Capture : public QObject {
  public:
    static constexpr int stillsAtMs = 40000;
    static constexpr int recordAfterMs = 25000;

    // The folder that follows "--open" in `arguments`; none when "--open" is last or is
    // followed by another option.
    static std::optional<QString> folderIn(const QStringList& arguments);

    Capture(AppShell& shell, QString folder, QObject* parent = nullptr);
    ~Capture() override;

    // Counts the delays from now, the launch.
    void start();
    // Called on every tick after the label was drawn: one frame while recording.
    void recordFrame();

    bool recording() const { return recording_; }
    // The time of every recorded frame, seconds since 1970, in order.
    const std::vector<double>& readings() const { return readings_; }

  private:
    void takeStills();
    void record(int seconds);
    void finishRecording();
    void closePanel();

    AppShell& shell_;
    QString folder_;
    bool recording_ = false;
    std::vector<double> readings_;
    QPointer<Backdrop> backdrop_;
};

}  // namespace tv
