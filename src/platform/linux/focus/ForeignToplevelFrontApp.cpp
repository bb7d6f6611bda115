#include "platform/linux/focus/ForeignToplevelFrontApp.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace tv::linux_os {

namespace {

// Version 2 is all we read (the third adds only a parent event).
constexpr std::uint32_t managerVersion = 2;
// App ids are short names; anything longer is not one we could match to a desktop entry.
constexpr std::size_t appIdLimit = 255;

}  // namespace

// One window of the compositor's list, as last told.
struct ForeignToplevel {
    std::string appId;
    bool activated = false;
    // What arrived since the last `done`; applied together.
    std::string pendingAppId;
    bool pendingActivated = false;
};

struct ForeignToplevelFrontApp::State {
    std::string display;
    wl_display* connection = nullptr;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    // Toplevels name the outputs they enter; a client that has not bound an output it is told
    // of gets a protocol error, so every output is bound (and otherwise unused).
    std::vector<wl_output*> outputs;
    int wake[2] = {-1, -1};

    mutable std::mutex mutex;
    std::map<zwlr_foreign_toplevel_handle_v1*, ForeignToplevel> toplevels;  // reader thread only
    std::string ownAppId;  // TallyVane's own windows
    // The last window activated that was not TallyVane's, while it is open; reader thread only.
    zwlr_foreign_toplevel_handle_v1* lastApp = nullptr;
    std::optional<std::string> front;  // under `mutex`
    bool lost = false;                 // under `mutex`

    bool own(const std::string& appId) const {
        return !appId.empty() && appId.size() == ownAppId.size() &&
               std::equal(appId.begin(), appId.end(), ownAppId.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    }

    void refresh() {
        zwlr_foreign_toplevel_handle_v1* activated = nullptr;
        for (const auto& [handle, toplevel] : toplevels) {
            if (toplevel.activated) {
                activated = handle;
            }
        }
        // TallyVane's own panel leaves the app before it in front while that app's window is
        // open: opening the panel must not make the user's app look unknown.
        if (activated != nullptr && !own(toplevels.at(activated).appId)) {
            lastApp = activated;
        } else if (activated != nullptr) {
            activated = toplevels.count(lastApp) > 0 ? lastApp : nullptr;
        }
        std::optional<std::string> active;
        if (activated != nullptr && !toplevels.at(activated).appId.empty()) {
            active = toplevels.at(activated).appId;
        }
        std::lock_guard lock(mutex);
        front = active;
    }
};

namespace {

using State = ForeignToplevelFrontApp::State;

void onTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}

void onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId) {
    auto* state = static_cast<State*>(data);
    std::size_t length = ::strnlen(appId, appIdLimit + 1);
    state->toplevels[handle].pendingAppId = length > appIdLimit ? "" : std::string(appId, length);
}

void onOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void onOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void onState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
    auto* state = static_cast<State*>(data);
    bool activated = false;
    std::size_t count = states->size / sizeof(std::uint32_t);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        std::memcpy(&value, static_cast<const char*>(states->data) + i * sizeof value,
                    sizeof value);
        activated = activated || value == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    }
    state->toplevels[handle].pendingActivated = activated;
}

void onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* state = static_cast<State*>(data);
    ForeignToplevel& toplevel = state->toplevels[handle];
    toplevel.appId = toplevel.pendingAppId;
    toplevel.activated = toplevel.pendingActivated;
    state->refresh();
}

void onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* state = static_cast<State*>(data);
    state->toplevels.erase(handle);
    if (state->lastApp == handle) {
        state->lastApp = nullptr;  // the address may name a later window
    }
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    state->refresh();
}

void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

const zwlr_foreign_toplevel_handle_v1_listener toplevelListener{
    onTitle, onAppId, onOutputEnter, onOutputLeave, onState, onDone, onClosed, onParent};

void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                zwlr_foreign_toplevel_handle_v1* handle) {
    auto* state = static_cast<State*>(data);
    // Until its first `done` it counts as not activated, so a toplevel seen half-way is never
    // taken as the front one.
    state->toplevels[handle] = ForeignToplevel{};
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, data);
}

void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* state = static_cast<State*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    state->manager = nullptr;
    std::lock_guard lock(state->mutex);
    state->lost = true;
    state->front.reset();
}

const zwlr_foreign_toplevel_manager_v1_listener managerListener{onToplevel, onFinished};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* state = static_cast<State*>(data);
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        state->outputs.push_back(
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1)));
        return;
    }
    if (!state->manager &&
        std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
        state->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(version, managerVersion)));
    }
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{onGlobal, onGlobalRemove};

wl_display* connect(const std::string& display) {
    return wl_display_connect(display.empty() ? nullptr : display.c_str());
}

}  // namespace

bool ForeignToplevelFrontApp::offered(const std::string& display) {
    wl_display* connection = connect(display);
    if (!connection) {
        return false;
    }
    bool found = false;
    wl_registry* registry = wl_display_get_registry(connection);
    const wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            *static_cast<bool*>(data) =
                *static_cast<bool*>(data) ||
                std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0;
        },
        onGlobalRemove};
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip(connection);
    wl_registry_destroy(registry);
    wl_display_disconnect(connection);
    return found;
}

ForeignToplevelFrontApp::ForeignToplevelFrontApp(const std::string& display,
                                                 const std::string& ownAppId)
    : state_(std::make_unique<State>()) {
    state_->display = display;
    state_->ownAppId = ownAppId;
    state_->connection = connect(display);
    if (!state_->connection || ::pipe2(state_->wake, O_CLOEXEC) != 0) {
        return;
    }
    state_->registry = wl_display_get_registry(state_->connection);
    wl_registry_add_listener(state_->registry, &registryListener, state_.get());
    wl_display_roundtrip(state_->connection);
    if (!state_->manager) {
        return;
    }
    zwlr_foreign_toplevel_manager_v1_add_listener(state_->manager, &managerListener, state_.get());
    // The toplevels there are now, before anyone asks.
    wl_display_roundtrip(state_->connection);
    reader_ = std::thread([this] { run(); });
}

ForeignToplevelFrontApp::~ForeignToplevelFrontApp() {
    if (reader_.joinable()) {
        char stop = 1;
        [[maybe_unused]] ssize_t written = ::write(state_->wake[1], &stop, 1);
        reader_.join();
    }
    for (auto& [handle, toplevel] : state_->toplevels) {
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    if (state_->manager) {
        zwlr_foreign_toplevel_manager_v1_destroy(state_->manager);
    }
    for (wl_output* output : state_->outputs) {
        wl_output_destroy(output);
    }
    if (state_->registry) {
        wl_registry_destroy(state_->registry);
    }
    if (state_->connection) {
        wl_display_disconnect(state_->connection);
    }
    for (int fd : state_->wake) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void ForeignToplevelFrontApp::run() {
    wl_display* connection = state_->connection;
    pollfd watched[2] = {{wl_display_get_fd(connection), POLLIN, 0}, {state_->wake[0], POLLIN, 0}};
    for (;;) {
        while (wl_display_prepare_read(connection) != 0) {
            wl_display_dispatch_pending(connection);
        }
        wl_display_flush(connection);
        if (::poll(watched, 2, -1) < 0 && errno != EINTR) {
            wl_display_cancel_read(connection);
            break;
        }
        if (watched[1].revents != 0) {
            wl_display_cancel_read(connection);
            return;
        }
        if (watched[0].revents & (POLLERR | POLLHUP)) {
            wl_display_cancel_read(connection);
            break;
        }
        if (watched[0].revents & POLLIN) {
            if (wl_display_read_events(connection) != 0) {
                break;
            }
            if (wl_display_dispatch_pending(connection) < 0) {
                break;
            }
        } else {
            wl_display_cancel_read(connection);
        }
    }
    // The compositor went away: nothing it said is trusted any longer.
    std::lock_guard lock(state_->mutex);
    state_->lost = true;
    state_->front.reset();
}

std::optional<std::string> ForeignToplevelFrontApp::frontAppId() {
    std::lock_guard lock(state_->mutex);
    return state_->front;
}

bool ForeignToplevelFrontApp::available() const {
    std::lock_guard lock(state_->mutex);
    return reader_.joinable() && !state_->lost;
}

std::string ForeignToplevelFrontApp::describe() const {
    return available() ? "wlroots foreign-toplevel list of " +
                             (state_->display.empty() ? std::string("the session's compositor")
                                                      : state_->display)
                       : "none";
}

}  // namespace tv::linux_os
