#include "platform/linux/focus/ReportedFrontApp.h"

#include <QThread>

#include "platform/linux/focus/FocusReceiver.h"

namespace tv::linux_os {

ReportedFrontApp::ReportedFrontApp(QDBusConnection bus, std::int32_t self, std::string label,
                                   QStringList reporters,
                                   std::function<bool(std::int32_t)> isCompositor)
    : receiver_(
          new FocusReceiver(std::move(bus), std::move(reporters), self, std::move(isCompositor))),
      label_(std::move(label)) {}

ReportedFrontApp::~ReportedFrontApp() {
    // The sampling thread may end this source; the receiver belongs to the bus's thread.
    if (receiver_->thread() == QThread::currentThread()) {
        delete receiver_;
    } else {
        receiver_->deleteLater();
    }
}

std::optional<std::int32_t> ReportedFrontApp::frontPid() {
    std::int32_t pid = receiver_->front();
    return pid > 0 ? std::optional<std::int32_t>(pid) : std::nullopt;
}

bool ReportedFrontApp::available() const {
    return receiver_->listening();
}

void ReportedFrontApp::keep(std::unique_ptr<QObject> part) {
    part->setParent(receiver_);
    part.release();
}

}  // namespace tv::linux_os
