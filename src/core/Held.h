#pragma once

#include <string>

#include "core/ProcessUsage.h"

namespace tv {

// How an app is held back: moved to the background band, or stopped in beats.
enum class Hold { slowed, paused };

// One held app with its latest row.
struct Held {
    ProcessUsage app;
    Hold hold = Hold::slowed;
    // No CPU band can act on the app here: only its disk use was lowered, and that is all
    // that is said of it.
    bool diskOnly = false;

    bool operator==(const Held&) const = default;
};

// What the make-way rules ask of the executor: hold an app (or change how it is held), or
// let the app with this id go.
struct Change {
    enum class Kind { hold, release };

    Kind kind = Kind::release;
    ProcessUsage app;  // for a hold
    Hold hold = Hold::slowed;
    std::string id;  // the app's id, for both kinds

    static Change holding(const ProcessUsage& app, Hold hold) {
        return Change{Kind::hold, app, hold, app.id};
    }
    static Change release(const std::string& id) {
        return Change{Kind::release, {}, Hold::slowed, id};
    }

    bool isHold() const { return kind == Kind::hold; }

    bool operator==(const Change&) const = default;
};

}  // namespace tv
