#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <vector>

#include "speedtest/tool/Flow.h"
#include "speedtest/tool/Goodput.h"

namespace tv::netquality {

// Loads one direction of the link: starts with `firstFlows` connections, adds `addFlows` more
// while the goodput still grows (up to `maxFlows`), and ends when the goodput has settled,
// when its time is up, or when it has moved its cap of bytes, never more. Ends once, with
// `ended` or `failed`.
class Load : public QObject {
    Q_OBJECT
  public:
    static constexpr int firstFlows = 4;
    static constexpr int addFlows = 4;
    static constexpr int maxFlows = 16;
    // Largest single upload; the download's size is the server's.
    static constexpr std::int64_t maxUpload = 25'000'000;

    // Moves at most `maxBytes`.
    Load(Flow::Kind kind, QUrl url, std::int64_t maxBytes, QObject* parent = nullptr);
    // Runs for at most `seconds`.
    void start(double seconds);
    // Ends now with what was measured.
    void finish();
    // Ends now, reporting nothing.
    void stop();

    bool running() const { return running_; }
    double goodput() const { return goodput_.average(); }
    int flows() const { return static_cast<int>(flows_.size()); }
    std::int64_t bytes() const { return bytes_; }

  signals:
    void ended();
    void failed(const tv::netquality::Failure& failure);

  private:
    void addFlowsNow(int count);
    void tick();

    Flow::Kind kind_;
    QUrl url_;
    std::int64_t maxBytes_;
    Goodput goodput_;
    std::vector<Flow*> flows_;
    std::int64_t bytes_ = 0;
    std::int64_t uploadsIssued_ = 0;
    std::size_t intervalsSeen_ = 0;
    double limit_ = 0;
    bool running_ = false;
    QElapsedTimer clock_;
    QTimer ticker_;
};

}  // namespace tv::netquality
