#include "platform/linux/focus/FocusJson.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace tv::linux_os {

namespace {

// A small reading-only JSON walk: every object reports whether it is focused and its pid.
// Malformed text ends the walk with no answer rather than a guess.
class Walk {
  public:
    explicit Walk(std::string_view text) : text_(text) {}

    // `onObject(depth, focused, pid)` for each object, innermost first.
    template <typename OnObject>
    bool run(OnObject onObject) {
        bool ok = value(0, onObject);
        space();
        return ok && at_ == text_.size();
    }

  private:
    void space() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
    }
    bool take(char c) {
        space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool string(std::string& out) {
        if (!take('"')) {
            return false;
        }
        out.clear();
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\') {
                ++at_;  // the escaped character is kept as it is; keys here are plain
            }
            if (at_ < text_.size()) {
                out += text_[at_++];
            }
        }
        return take('"');
    }
    bool literal(std::string_view word) {
        space();
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    bool number(double& out) {
        space();
        std::string digits;
        while (at_ < text_.size() &&
               (std::isdigit(static_cast<unsigned char>(text_[at_])) ||
                std::string_view("+-.eE").find(text_[at_]) != std::string_view::npos)) {
            digits += text_[at_++];
        }
        char* end = nullptr;
        out = std::strtod(digits.c_str(), &end);
        return !digits.empty() && end == digits.c_str() + digits.size();
    }

    template <typename OnObject>
    bool value(int depth, OnObject& onObject) {
        if (depth > 200) {
            return false;
        }
        space();
        if (at_ >= text_.size()) {
            return false;
        }
        char c = text_[at_];
        if (c == '{') {
            return object(depth, onObject);
        }
        if (c == '[') {
            ++at_;
            if (take(']')) {
                return true;
            }
            do {
                if (!value(depth + 1, onObject)) {
                    return false;
                }
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            std::string ignored;
            return string(ignored);
        }
        double ignored = 0;
        return literal("true") || literal("false") || literal("null") || number(ignored);
    }

    template <typename OnObject>
    bool object(int depth, OnObject& onObject) {
        ++at_;
        bool focused = false;
        std::optional<int> pid;
        if (!take('}')) {
            do {
                std::string key;
                if (!string(key) || !take(':')) {
                    return false;
                }
                double n = 0;
                if (key == "focused") {
                    focused = literal("true");
                    if (!focused && !literal("false")) {
                        return false;
                    }
                } else if (key == "pid" && number(n)) {
                    if (n > 0 && n < 1 << 30) {
                        pid = static_cast<int>(n);
                    }
                } else if (key == "pid" || !value(depth + 1, onObject)) {
                    return false;
                }
            } while (take(','));
            if (!take('}')) {
                return false;
            }
        }
        onObject(depth, focused, pid);
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<int> focusedPidInTree(std::string_view json) {
    std::optional<int> found;
    bool ok = Walk(json).run([&](int, bool focused, std::optional<int> pid) {
        if (focused && pid) {
            found = pid;
        }
    });
    return ok ? found : std::nullopt;
}

bool hasWindowOf(std::string_view json, int pid) {
    bool found = false;
    bool ok =
        Walk(json).run([&](int, bool, std::optional<int> owner) { found = found || owner == pid; });
    return ok && found;
}

std::optional<int> topLevelPid(std::string_view json) {
    std::optional<int> found;
    bool ok = Walk(json).run([&](int depth, bool, std::optional<int> pid) {
        if (depth == 0) {
            found = pid;
        }
    });
    return ok ? found : std::nullopt;
}

}  // namespace tv::linux_os
