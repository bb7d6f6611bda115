#pragma once

#include <string>
#include <vector>

#include "core/AlertMessage.h"

namespace tv {

// Where the tick's decisions send notifications: post (or replace) one, or take one back.
class Notices {
  public:
    virtual ~Notices() = default;
    virtual void post(const AlertMessage& message) = 0;
    virtual void withdraw(const std::string& id) = 0;

    // Each change in order.
    void apply(const std::vector<AlertChange>& changes) {
        for (const AlertChange& change : changes) {
            if (change.kind == AlertChange::Kind::post) {
                post(change.message);
            } else {
                withdraw(change.id);
            }
        }
    }
};

}  // namespace tv
