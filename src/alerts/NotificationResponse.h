#pragma once

#include <optional>
#include <string>

namespace tv {

// What the user did with one of our notifications.
struct NotificationResponse {
    std::string action;                  // "quit", "resume", "default", …
    std::string id;                      // the notification's own id ("memory", "makeway", …)
    std::optional<std::string> appPath;  // the app it offered to quit

    bool operator==(const NotificationResponse&) const = default;
};

}  // namespace tv
