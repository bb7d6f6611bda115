#pragma once

#include <QCoreApplication>

#include <functional>

#include "support/Spawned.h"

namespace tv::test {

// Runs the event loop until `ready` holds or `seconds` pass; false when it never held.
inline bool spin(double seconds, const std::function<bool()>& ready) {
    return waitFor(seconds, [&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return ready();
    });
}

}  // namespace tv::test
