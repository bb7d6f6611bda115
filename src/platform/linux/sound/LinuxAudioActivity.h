#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/AudioSource.h"

struct pa_threaded_mainloop;
struct pa_context;

namespace tv::linux_os {

// Audio users from the sound server (PulseAudio, or PipeWire's PulseAudio service): the pids
// of uncorked playback streams, and of uncorked recording streams that do not record a
// monitor (a level meter listening to the speakers is not making sound). It subscribes to
// stream and client changes, so asking costs no round trip. Never starts a server; without one the
// set is empty and a connection is tried again at most every 10 s.
class LinuxAudioActivity : public AudioSource {
  public:
    LinuxAudioActivity();
    ~LinuxAudioActivity() override;
    LinuxAudioActivity(const LinuxAudioActivity&) = delete;
    LinuxAudioActivity& operator=(const LinuxAudioActivity&) = delete;

    std::set<std::int32_t> pids() override;
    std::set<std::string> appIds() override;
    bool available() override;

    // Called from the sound server's thread.
    struct Stream {
        std::int32_t pid = 0;
        bool corked = false;
        std::uint32_t source = 0;  // for recordings: the source recorded from
        std::string appId;         // where the pid is the client's own word only
        std::uint32_t client = 0;  // the server's index of the stream's client
        bool checked = false;      // the pid was checked by the server (socket credentials)
    };
    void playback(std::uint32_t index, const Stream& stream);
    void recording(std::uint32_t index, const Stream& stream);
    // A client's pid as the server checked it from its socket; 0 when it checked none.
    void client(std::uint32_t index, std::int32_t checkedPid);
    void source(std::uint32_t index, bool monitor);
    void removed(int facility, std::uint32_t index);
    void connected(bool ready);

  private:
    void reconnectIfDue();
    // Streams that make sound: uncorked, and for recordings not from a monitor.
    template <typename Visit>
    void forEachAudible(Visit visit);
    void connect();
    void disconnect();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    std::chrono::steady_clock::time_point lastAttempt_{};

    std::mutex mutex_;
    bool failed_ = false;
    bool ready_ = false;
    std::map<std::uint32_t, Stream> playback_;
    std::map<std::uint32_t, Stream> recording_;
    std::set<std::uint32_t> monitors_;
    std::map<std::uint32_t, std::int32_t> clients_;  // client index → checked pid
};

}  // namespace tv::linux_os
