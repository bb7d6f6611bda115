#include "makeway/HoldBack.h"

#include <QMetaObject>

#include "makeway/HoldBackWorker.h"
#include "makeway/UndoFile.h"
#include "platform/CrashReports.h"
#include "platform/Platform.h"

namespace tv {

HoldBack::HoldBack(std::int32_t owner, double stopFor, double runFor, Parts parts)
    : worker_(new HoldBackWorker(owner, stopFor, runFor, std::move(parts))) {
    thread_.setObjectName(QStringLiteral("Tallyvane.holdBack"));
    QObject::connect(&thread_, &QThread::started,
                     [] { platform::guardThisThread("Tallyvane.holdBack"); });
    worker_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

std::unique_ptr<HoldBack> HoldBack::live() {
    std::int32_t self = platform::selfIdentity().pid;
    Parts parts{platform::processControl(), platform::backgroundBand(),
                platform::watchdogLauncher(), UndoFile::defaultFolder()};
    // A TallyVane that died together with its watchdog left its holds on record: undo them.
    ProcessControl& control = *parts.control;
    UndoFile::replayLeftovers(parts.undoFolder, self,
                              [&control](std::int32_t pid) { return control.exists(pid); });
    return std::make_unique<HoldBack>(self, 4.0, 1.0, std::move(parts));
}

HoldBack::~HoldBack() {
    onThread<bool>([this] {
        worker_->releaseAll();
        return true;
    });
    thread_.quit();
    thread_.wait();
}

template <typename Result, typename Call>
Result HoldBack::onThread(Call call) const {
    Result result{};
    QMetaObject::invokeMethod(
        worker_, [&] { result = call(); }, Qt::BlockingQueuedConnection);
    return result;
}

void HoldBack::apply(const std::vector<Change>& changes, const std::map<std::string, Held>& held) {
    onThread<bool>([&] {
        worker_->apply(changes, held);
        return true;
    });
}

HoldBack::PidSets HoldBack::slowed() const {
    return onThread<PidSets>([this] { return worker_->slowed(); });
}

HoldBack::PidSets HoldBack::paused() const {
    return onThread<PidSets>([this] { return worker_->paused(); });
}

bool HoldBack::stopped() const {
    return onThread<bool>([this] { return worker_->stopped(); });
}

std::int32_t HoldBack::watchdog() const {
    return onThread<std::int32_t>([this] { return worker_->watchdog(); });
}

}  // namespace tv
