#include "platform/linux/sound/CanberraPlayer.h"

#include <canberra.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tv::linux_os {

CanberraPlayer::CanberraPlayer() {
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "TallyVane", CA_PROP_APPLICATION_ID,
                            "tallyvane", nullptr);
}

namespace {

// libcanberra plays each sound on a detached thread of its driver module, and that thread
// still runs for a moment after it has reported the sound finished. Destroying the context
// unloads the module; a thread still inside it would then run unmapped code and crash the
// program as it quits. Once a driver is loaded, it stays mapped until the process ends.
void keepDriversLoaded() {
    // Named while the loader's list is held, marked after: the loader may not be entered again
    // from inside its own walk.
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "/libcanberra-0.")) {
                static_cast<std::vector<std::string>*>(found)->emplace_back(info->dlpi_name);
            }
            return 0;
        },
        &drivers);
    for (const std::string& driver : drivers) {
        // Loaded already: this only marks it never to be unloaded.
        dlopen(driver.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

}  // namespace

CanberraPlayer::~CanberraPlayer() {
    if (context_) {
        ca_context_destroy(context_);
    }
}

namespace {

// Only a regular file is a sound: a pipe or device under a sound's name would block whoever
// opens it (the interface, at the first click). Opened without blocking, then checked.
int openRegular(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool isRegular(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool CanberraPlayer::accepts(const std::string& path) {
    char header[36] = {};
    if (!isRegular(path)) {
        return false;  // not even opened
    }
    int fd = openRegular(path);
    if (fd < 0) {
        return false;
    }
    ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof header)) {
        return false;
    }
    bool wave = std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0;
    int format = static_cast<unsigned char>(header[20]) | static_cast<unsigned char>(header[21])
                                                              << 8;
    int bits = static_cast<unsigned char>(header[34]);
    return wave && format == 1 && (bits == 8 || bits == 16);
}

void CanberraPlayer::play(const std::string& path) {
    // Accepted once; something else may have taken its place since.
    if (context_ && isRegular(path)) {
        ca_context_play(context_, 0, CA_PROP_MEDIA_FILENAME, path.c_str(), CA_PROP_MEDIA_ROLE,
                        "event", nullptr);
        keepDriversLoadedOnce();
    }
}

void CanberraPlayer::playThemed(const std::string& name) {
    if (context_ && !name.empty()) {
        ca_context_play(context_, 0, CA_PROP_EVENT_ID, name.c_str(), CA_PROP_MEDIA_ROLE, "event",
                        nullptr);
        keepDriversLoadedOnce();
    }
}

bool CanberraPlayer::playAndWait(const std::string& path) {
    return playAndWait(CA_PROP_MEDIA_FILENAME, path);
}

bool CanberraPlayer::playThemedAndWait(const std::string& name) {
    return playAndWait(CA_PROP_EVENT_ID, name);
}

bool CanberraPlayer::playAndWait(const char* property, const std::string& value) {
    if (!context_) {
        return false;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
        int result = CA_SUCCESS;
    } done;
    ca_proplist* props = nullptr;
    ca_proplist_create(&props);
    ca_proplist_sets(props, property, value.c_str());
    int started = ca_context_play_full(
        context_, 1, props,
        [](ca_context*, uint32_t, int result, void* data) {
            auto* d = static_cast<Done*>(data);
            std::lock_guard<std::mutex> lock(d->mutex);
            d->finished = true;
            d->result = result;
            d->changed.notify_all();
        },
        &done);
    ca_proplist_destroy(props);
    keepDriversLoadedOnce();
    if (started != CA_SUCCESS) {
        return false;
    }
    {
        std::unique_lock<std::mutex> lock(done.mutex);
        done.changed.wait(lock, [&] { return done.finished; });
    }
    // The sound stays listed until its thread has wound down, and destroying the context would
    // report a listed sound again, to `done` after it has gone: wait until it is off the list.
    for (int i = 0; i < 400; ++i) {
        int playing = 0;
        if (ca_context_playing(context_, 1, &playing) != CA_SUCCESS || playing == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done.result == CA_SUCCESS;
}

void CanberraPlayer::keepDriversLoadedOnce() {
    if (!driversKept_) {
        driversKept_ = true;
        keepDriversLoaded();
    }
}

}  // namespace tv::linux_os
