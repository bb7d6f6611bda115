#include "makeway/HoldBack.h"

#include <QDeadlineTimer>
#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <optional>

#include "makeway/HoldBackWorker.h"
#include "makeway/HoldJournal.h"
#include "platform/CrashReports.h"
#include "platform/Platform.h"

namespace tv {

HoldBack::HoldBack(std::int32_t owner, double stopFor, double runFor, Parts parts)
    : thread_(new QThread), worker_(new HoldBackWorker(owner, stopFor, runFor, std::move(parts))) {
    thread_->setObjectName(QStringLiteral("Tallyvane.holdBack"));
    QObject::connect(thread_, &QThread::started,
                     [] { platform::guardThisThread("Tallyvane.holdBack"); });
    worker_->moveToThread(thread_);
    QObject::connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_->start();
}

std::unique_ptr<HoldBack> HoldBack::live() {
    std::int32_t self = platform::selfIdentity().pid;
    Parts parts{platform::processControl(), platform::backgroundBand(),
                platform::watchdogLauncher(), platform::journalFolder()};
    // A TallyVane that died together with its watchdog left its holds on record: undo them.
    undoLeftoverJournals(*parts.journal, self, *parts.control, *parts.band);
    return std::make_unique<HoldBack>(self, 4.0, 1.0, std::move(parts));
}

HoldBack::~HoldBack() {
    HoldBackWorker* worker = worker_;
    onThread<bool>(
        [worker] {
            worker->releaseAll();
            return true;
        },
        false);
    thread_->quit();
    if (thread_->wait(QDeadlineTimer(longestWait.count()))) {
        delete thread_;
    }
}

template <typename Result, typename Call>
Result HoldBack::onThread(Call call, Result otherwise) const {
    struct Pending {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Result> result;
    };
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        worker_,
        [pending, call = std::move(call)]() mutable {
            Result result = call();
            std::lock_guard lock(pending->mutex);
            pending->result = std::move(result);
            pending->done.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    pending->done.wait_for(lock, longestWait, [&] { return pending->result.has_value(); });
    return pending->result ? *pending->result : otherwise;
}

std::optional<HoldBack::Outcome> HoldBack::apply(const std::vector<Change>& changes,
                                                 const std::map<std::string, Held>& held) {
    return onThread<std::optional<Outcome>>(
        [worker = worker_, changes, held] {
            worker->apply(changes, held);
            return std::optional<Outcome>(Outcome{worker->holding(), worker->diskOnly()});
        },
        std::nullopt);
}

HoldBack::PidSets HoldBack::slowed() const {
    return onThread<PidSets>([worker = worker_] { return worker->slowed(); }, {});
}

HoldBack::PidSets HoldBack::paused() const {
    return onThread<PidSets>([worker = worker_] { return worker->paused(); }, {});
}

std::map<std::string, std::string> HoldBack::frozen() const {
    return onThread<std::map<std::string, std::string>>(
        [worker = worker_] { return worker->frozen(); }, {});
}

bool HoldBack::stopped() const {
    return onThread<bool>([worker = worker_] { return worker->stopped(); }, false);
}

std::int32_t HoldBack::watchdog() const {
    return onThread<std::int32_t>([worker = worker_] { return worker->watchdog(); }, 0);
}

}  // namespace tv
