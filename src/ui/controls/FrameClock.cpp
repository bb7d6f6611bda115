#include "ui/controls/FrameClock.h"

#include <QTimerEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tv {

FrameClock::FrameClock(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("FrameClock"));
}

FrameClock& FrameClock::of(QWidget* window) {
    auto* clock =
        window->findChild<FrameClock*>(QStringLiteral("FrameClock"), Qt::FindDirectChildrenOnly);
    return clock ? *clock : *new FrameClock(window);
}

void FrameClock::join(QObject* member, double fps, std::function<void()> frame) {
    auto known = std::find_if(members_.begin(), members_.end(),
                              [&](const Member& m) { return m.who == member; });
    if (known != members_.end()) {
        known->fps = fps;
        known->frame = std::move(frame);
    } else {
        members_.push_back({member, fps, std::move(frame), 0});
        connect(member, &QObject::destroyed, this, [this, member] { leave(member); });
    }
    retime();
}

void FrameClock::leave(QObject* member) {
    std::erase_if(members_, [&](const Member& m) { return m.who == member || m.who.isNull(); });
    disconnect(member, &QObject::destroyed, this, nullptr);
    retime();
}

void FrameClock::retime() {
    double fastest = 0;
    for (const Member& m : members_) {
        fastest = std::max(fastest, m.fps);
    }
    if (fastest <= 0) {
        timer_.stop();
        rate_ = 0;
        return;
    }
    if (fastest != rate_ || !timer_.isActive()) {
        rate_ = fastest;
        timer_.start(static_cast<int>(std::lround(1000.0 / rate_)), Qt::PreciseTimer, this);
    }
}

void FrameClock::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // A frame may make a member leave (or another one join): work on the list as it was.
    // A member's frame may also destroy another one that is due: that one is skipped.
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> due;
    for (Member& m : members_) {
        m.owed += m.fps / rate_;
        if (m.owed >= 1 - 1e-9 && m.who) {
            m.owed = std::min(m.owed - 1, 1.0);
            due.emplace_back(m.who, m.frame);
        }
    }
    for (const auto& [who, frame] : due) {
        if (who) {
            frame();
        }
    }
}

}  // namespace tv
