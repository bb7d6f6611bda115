#pragma once

#include <QObject>
#include <QTimer>

#include <map>
#include <optional>

#include "makeway/HoldBack.h"
#include "makeway/UndoFile.h"

namespace tv {

// The executor's state and work, living on the "Tallyvane.holdBack" thread.
class HoldBackWorker : public QObject {
    Q_OBJECT
  public:
    HoldBackWorker(std::int32_t owner, double stopFor, double runFor, HoldBack::Parts parts);

    void apply(const std::vector<Change>& changes, const std::map<std::string, Held>& held);
    void releaseAll();

    const HoldBack::PidSets& slowed() const { return slowed_; }
    const HoldBack::PidSets& paused() const { return paused_; }
    bool stopped() const { return stopped_; }
    std::int32_t watchdog() const { return watchdog_; }

  private:
    void release(const std::string& id);
    void holdEntry(const std::string& id, const Held& entry);
    void keepBeat();
    void turn();
    void rewatch();
    // Everything held now, and `alsoPaused` as if it were paused already.
    std::string undoCommands(const std::set<std::int32_t>& alsoPaused = {}) const;
    void noteBeforePausing(const std::set<std::int32_t>& about);

    std::int32_t owner_;
    double stopFor_;
    double runFor_;
    HoldBack::Parts parts_;
    UndoFile undo_;
    HoldBack::PidSets slowed_;
    HoldBack::PidSets paused_;
    bool stopped_ = false;
    QTimer* beat_ = nullptr;
    std::int32_t watchdog_ = 0;
};

}  // namespace tv
