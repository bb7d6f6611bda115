#include "platform/linux/sound/LinuxAudioActivity.h"

#include <pulse/pulseaudio.h>

#include <cstdlib>

#include "platform/CrashReports.h"

namespace tv::linux_os {

namespace {

constexpr auto retryAfter = std::chrono::seconds(10);

std::int32_t pidFrom(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && pid > 0 && pid < (1L << 31)
               ? static_cast<std::int32_t>(pid)
               : 0;
}

// The stream's process and, where its pid is only the client's own word, its application id.
// PipeWire's own pid for a client comes from its socket's credentials; the pid a client
// reports of itself is a sandbox's own numbering inside a sandbox, where the application id
// (the portal's, else the one the client gives) finds its row instead.
// A client's pid may be checked only on the client, not on each of its streams: the stream then
// names its client, whose checked pid is asked for separately.
LinuxAudioActivity::Stream streamOf(pa_proplist* properties, bool corked, std::uint32_t source,
                                    std::uint32_t client) {
    LinuxAudioActivity::Stream stream{0, corked, source, {}, client, false};
    stream.pid = pidFrom(pa_proplist_gets(properties, "pipewire.sec.pid"));
    if (stream.pid > 0) {
        stream.checked = true;
        return stream;
    }
    stream.pid = pidFrom(pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID));
    for (const char* key : {"pipewire.access.portal.app_id", PA_PROP_APPLICATION_ID}) {
        const char* id = pa_proplist_gets(properties, key);
        if (id != nullptr && *id != '\0') {
            stream.appId = id;
            break;
        }
    }
    return stream;
}

void onPlayback(pa_context*, const pa_sink_input_info* info, int eol, void* self) {
    if (eol == 0 && info != nullptr) {
        static_cast<LinuxAudioActivity*>(self)->playback(
            info->index, streamOf(info->proplist, info->corked != 0, 0, info->client));
    }
}

void onRecording(pa_context*, const pa_source_output_info* info, int eol, void* self) {
    if (eol == 0 && info != nullptr) {
        static_cast<LinuxAudioActivity*>(self)->recording(
            info->index, streamOf(info->proplist, info->corked != 0, info->source, info->client));
    }
}

void onClient(pa_context*, const pa_client_info* info, int eol, void* self) {
    if (eol == 0 && info != nullptr) {
        static_cast<LinuxAudioActivity*>(self)->client(
            info->index, pidFrom(pa_proplist_gets(info->proplist, "pipewire.sec.pid")));
    }
}

void onSource(pa_context*, const pa_source_info* info, int eol, void* self) {
    if (eol == 0 && info != nullptr) {
        static_cast<LinuxAudioActivity*>(self)->source(info->index,
                                                       info->monitor_of_sink != PA_INVALID_INDEX);
    }
}

void forget(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

void onEvent(pa_context* context, pa_subscription_event_type_t event, std::uint32_t index,
             void* self) {
    auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if ((event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        static_cast<LinuxAudioActivity*>(self)->removed(static_cast<int>(facility), index);
        return;
    }
    if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
        forget(pa_context_get_sink_input_info(context, index, onPlayback, self));
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT) {
        forget(pa_context_get_source_output_info(context, index, onRecording, self));
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
        forget(pa_context_get_source_info_by_index(context, index, onSource, self));
    } else if (facility == PA_SUBSCRIPTION_EVENT_CLIENT) {
        forget(pa_context_get_client_info(context, index, onClient, self));
    }
}

void onState(pa_context* context, void* self) {
    auto* activity = static_cast<LinuxAudioActivity*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, onEvent, self);
            forget(pa_context_subscribe(
                context,
                static_cast<pa_subscription_mask_t>(
                    PA_SUBSCRIPTION_MASK_SINK_INPUT | PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT |
                    PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CLIENT),
                nullptr, nullptr));
            // Clients first: the streams listed next can then be matched to a checked pid.
            forget(pa_context_get_client_info_list(context, onClient, self));
            forget(pa_context_get_source_info_list(context, onSource, self));
            forget(pa_context_get_sink_input_info_list(context, onPlayback, self));
            forget(pa_context_get_source_output_info_list(context, onRecording, self));
            activity->connected(true);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            activity->connected(false);
            break;
        default:
            break;
    }
}

}  // namespace

LinuxAudioActivity::LinuxAudioActivity() {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr || pa_threaded_mainloop_start(loop_) != 0) {
        return;
    }
    // The callback runs without the lock, but queueing it touches the running loop's event
    // list like any other call from outside the loop thread: unlocked, the loop could run and
    // free the event before it is fully set up.
    pa_threaded_mainloop_lock(loop_);
    pa_threaded_mainloop_once_unlocked(
        loop_, [](pa_threaded_mainloop*, void*) { platform::guardThisThread("Tallyvane.audio"); },
        nullptr);
    pa_threaded_mainloop_unlock(loop_);
    connect();
}

LinuxAudioActivity::~LinuxAudioActivity() {
    if (loop_ == nullptr) {
        return;
    }
    disconnect();
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void LinuxAudioActivity::connect() {
    lastAttempt_ = std::chrono::steady_clock::now();
    pa_threaded_mainloop_lock(loop_);
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "TallyVane");
    context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "TallyVane", properties);
    pa_proplist_free(properties);
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, onState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            failed_ = true;
        }
    }
    pa_threaded_mainloop_unlock(loop_);
}

void LinuxAudioActivity::disconnect() {
    pa_threaded_mainloop_lock(loop_);
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    std::lock_guard<std::mutex> lock(mutex_);
    playback_.clear();
    recording_.clear();
    monitors_.clear();
    clients_.clear();
}

void LinuxAudioActivity::reconnectIfDue() {
    bool retry = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retry = (failed_ || context_ == nullptr) &&
                std::chrono::steady_clock::now() - lastAttempt_ >= retryAfter;
    }
    if (retry) {
        disconnect();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failed_ = false;
            ready_ = false;
        }
        connect();
    }
}

template <typename Visit>
void LinuxAudioActivity::forEachAudible(Visit visit) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto checked = [&](Stream stream) {
        if (!stream.checked) {
            auto client = clients_.find(stream.client);
            if (client != clients_.end()) {
                stream.pid = client->second;
                stream.checked = true;
                stream.appId.clear();
            }
        }
        return stream;
    };
    for (const auto& [index, stream] : playback_) {
        if (!stream.corked) {
            visit(checked(stream));
        }
    }
    for (const auto& [index, stream] : recording_) {
        if (!stream.corked && monitors_.count(stream.source) == 0) {
            visit(checked(stream));
        }
    }
}

std::set<std::int32_t> LinuxAudioActivity::pids() {
    if (loop_ == nullptr) {
        return {};
    }
    reconnectIfDue();
    std::set<std::int32_t> pids;
    forEachAudible([&](const Stream& stream) {
        if (stream.pid > 0) {
            pids.insert(stream.pid);
        }
    });
    return pids;
}

std::set<std::string> LinuxAudioActivity::appIds() {
    std::set<std::string> ids;
    if (loop_ != nullptr) {
        forEachAudible([&](const Stream& stream) {
            if (!stream.appId.empty()) {
                ids.insert(stream.appId);
            }
        });
    }
    return ids;
}

bool LinuxAudioActivity::available() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ready_;
}

void LinuxAudioActivity::playback(std::uint32_t index, const Stream& stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    playback_[index] = stream;
}

void LinuxAudioActivity::recording(std::uint32_t index, const Stream& stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    recording_[index] = stream;
}

void LinuxAudioActivity::client(std::uint32_t index, std::int32_t checkedPid) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (checkedPid > 0) {
        clients_[index] = checkedPid;
    } else {
        clients_.erase(index);
    }
}

void LinuxAudioActivity::source(std::uint32_t index, bool monitor) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (monitor) {
        monitors_.insert(index);
    } else {
        monitors_.erase(index);
    }
}

void LinuxAudioActivity::removed(int facility, std::uint32_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
        playback_.erase(index);
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT) {
        recording_.erase(index);
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
        monitors_.erase(index);
    } else if (facility == PA_SUBSCRIPTION_EVENT_CLIENT) {
        clients_.erase(index);
    }
}

void LinuxAudioActivity::connected(bool ready) {
    std::lock_guard<std::mutex> lock(mutex_);
    failed_ = !ready;
    ready_ = ready;
    if (!ready) {
        playback_.clear();
        recording_.clear();
        monitors_.clear();
        clients_.clear();
    }
}

}  // namespace tv::linux_os
