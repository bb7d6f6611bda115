#include "speedtest/tool/Load.h"

#include <algorithm>

namespace tv::netquality {

Load::Load(Flow::Kind kind, QUrl url, std::int64_t maxBytes, QObject* parent)
    : QObject(parent), kind_(kind), url_(std::move(url)), maxBytes_(maxBytes) {
    ticker_.setInterval(250);
    ticker_.setTimerType(Qt::PreciseTimer);
    connect(&ticker_, &QTimer::timeout, this, &Load::tick);
}

void Load::start(double seconds) {
    limit_ = seconds;
    running_ = true;
    clock_.start();
    goodput_.sample(0, 0);
    ticker_.start();
    addFlowsNow(firstFlows);
}

void Load::addFlowsNow(int count) {
    for (int i = 0; i < count; ++i) {
        auto* flow = new Flow(
            kind_, url_,
            [this] {
                std::int64_t size = std::min(maxUpload, maxBytes_ - uploadsIssued_);
                uploadsIssued_ += size;
                return size;
            },
            [this] { return running_ ? maxBytes_ - bytes_ : 0; }, this);
        connect(flow, &Flow::moved, this, [this](qint64 bytes) {
            bytes_ += bytes;
            if (bytes_ >= maxBytes_) {
                finish();
            }
        });
        connect(flow, &Flow::failed, this, [this](const Failure& failure) {
            if (running_) {
                stop();
                emit failed(failure);
            }
        });
        flows_.push_back(flow);
        flow->start();
    }
}

void Load::tick() {
    double now = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    goodput_.sample(now, bytes_);
    if (goodput_.stable() || now >= limit_) {
        finish();
        return;
    }
    std::size_t seen = goodput_.intervals().size();
    if (seen != intervalsSeen_) {
        intervalsSeen_ = seen;
        if (goodput_.growing() && flows() < maxFlows) {
            addFlowsNow(addFlows);
        }
    }
}

void Load::finish() {
    if (!running_) {
        return;
    }
    goodput_.sample(static_cast<double>(clock_.nsecsElapsed()) / 1e9, bytes_);
    stop();
    emit ended();
}

void Load::stop() {
    running_ = false;
    ticker_.stop();
    for (Flow* flow : flows_) {
        flow->stop();
    }
}

}  // namespace tv::netquality
