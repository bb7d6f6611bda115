#pragma once

#include <optional>
#include <string>

namespace tv {

// One notification to post. Posting again with the same id replaces the earlier one.
struct AlertMessage {
    std::string id;
    std::string title;
    std::string body;
    std::optional<std::string> appPath;  // the app the alert is about, so it can offer to quit it
    bool sound = false;

    bool operator==(const AlertMessage&) const = default;
};

// Post a notification, or take back the one with this id.
struct AlertChange {
    enum class Kind { post, withdraw };

    Kind kind = Kind::post;
    AlertMessage message;  // for a post
    std::string id;        // for both kinds

    static AlertChange post(AlertMessage message) {
        std::string id = message.id;
        return AlertChange{Kind::post, std::move(message), std::move(id)};
    }
    static AlertChange withdraw(std::string id) {
        return AlertChange{Kind::withdraw, {}, std::move(id)};
    }

    bool operator==(const AlertChange&) const = default;
};

}  // namespace tv
