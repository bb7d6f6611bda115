#include "platform/linux/system/LinuxGpuSource.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace tv::linux_os {

// The few entry points of NVIDIA's management library that TallyVane needs, looked up by
// name so that no header or link-time dependency is needed.
class NvidiaLibrary {
  public:
    static std::unique_ptr<NvidiaLibrary> load() {
        void* handle = ::dlopen("libnvidia-ml.so.1", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            return nullptr;
        }
        auto library = std::unique_ptr<NvidiaLibrary>(new NvidiaLibrary(handle));
        if (!library->init_ || !library->count_ || !library->device_ || !library->use_ ||
            library->init_() != 0) {
            return nullptr;
        }
        library->initialised_ = true;
        return library;
    }
    ~NvidiaLibrary() {
        if (initialised_ && shutdown_) {
            shutdown_();
        }
        ::dlclose(handle_);
    }

    // The busiest device's GPU use, 0...1.
    std::optional<double> busiest() {
        unsigned count = 0;
        if (count_(&count) != 0) {
            return std::nullopt;
        }
        std::optional<double> best;
        for (unsigned i = 0; i < count && i < 64; ++i) {
            void* device = nullptr;
            std::array<unsigned, 2> rates{};  // gpu, memory (percent)
            if (device_(i, &device) == 0 && use_(device, rates.data()) == 0) {
                best = std::max(best.value_or(0.0), std::min(100u, rates[0]) / 100.0);
            }
        }
        return best;
    }

  private:
    explicit NvidiaLibrary(void* handle) : handle_(handle) {
        init_ = reinterpret_cast<int (*)()>(::dlsym(handle, "nvmlInit_v2"));
        shutdown_ = reinterpret_cast<int (*)()>(::dlsym(handle, "nvmlShutdown"));
        count_ = reinterpret_cast<int (*)(unsigned*)>(::dlsym(handle, "nvmlDeviceGetCount_v2"));
        device_ = reinterpret_cast<int (*)(unsigned, void**)>(
            ::dlsym(handle, "nvmlDeviceGetHandleByIndex_v2"));
        use_ = reinterpret_cast<int (*)(void*, unsigned*)>(
            ::dlsym(handle, "nvmlDeviceGetUtilizationRates"));
    }

    void* handle_;
    bool initialised_ = false;
    int (*init_)() = nullptr;
    int (*shutdown_)() = nullptr;
    int (*count_)(unsigned*) = nullptr;
    int (*device_)(unsigned, void**) = nullptr;
    int (*use_)(void*, unsigned*) = nullptr;
};

namespace {

std::string driverOf(const std::string& card) {
    char target[512];
    ssize_t length = ::readlink((card + "/device/driver").c_str(), target, sizeof target - 1);
    if (length <= 0) {
        return {};
    }
    std::string_view path(target, static_cast<std::size_t>(length));
    return std::string(path.substr(path.rfind('/') + 1));
}

}  // namespace

LinuxGpuSource::LinuxGpuSource(const std::string& root, Clock clock, bool nvidia)
    : clock_(std::move(clock)) {
    const std::string drm = root + "/sys/class/drm";
    for (const std::string& name : listDirectory(drm)) {
        // "card0", not its connectors ("card0-HDMI-A-1").
        if (name.rfind("card", 0) != 0 || !parseUnsigned(std::string_view(name).substr(4))) {
            continue;
        }
        std::string card = drm + "/" + name;
        std::string driver = driverOf(card);
        if (driver == "amdgpu") {
            busyPercent_.push_back(std::make_unique<ProcFile>(card + "/device/gpu_busy_percent"));
        } else if (driver == "i915") {
            for (const char* file : {"/gt/gt0/rc6_residency_ms", "/power/rc6_residency_ms"}) {
                if (readFile(card + file)) {
                    idle_.push_back({std::make_unique<ProcFile>(card + file), std::nullopt, 0});
                    break;
                }
            }
        } else if (driver == "xe") {
            std::string file = card + "/device/tile0/gt0/gtidle/idle_residency_ms";
            if (readFile(file)) {
                idle_.push_back({std::make_unique<ProcFile>(file), std::nullopt, 0});
            }
        }
    }
    if (nvidia) {
        nvidia_ = NvidiaLibrary::load();
    }
}

LinuxGpuSource::~LinuxGpuSource() = default;

bool LinuxGpuSource::empty() const {
    return busyPercent_.empty() && idle_.empty() && !nvidia_;
}

double LinuxGpuSource::now() const {
    return clock_ ? clock_() : monotonicSeconds();
}

std::optional<double> LinuxGpuSource::read() {
    std::optional<double> busiest;
    auto consider = [&](double use) {
        busiest = std::max(busiest.value_or(0.0), std::clamp(use, 0.0, 1.0));
    };
    for (auto& file : busyPercent_) {
        if (auto percent = readNumber(*file)) {
            consider(*percent / 100.0);
        }
    }
    double at = now();
    for (IdleCounter& counter : idle_) {
        auto idleMs = readNumber(*counter.file);
        if (idleMs && counter.lastIdle && at > counter.lastAt && *idleMs >= *counter.lastIdle) {
            double elapsedMs = (at - counter.lastAt) * 1000;
            consider(1.0 - (*idleMs - *counter.lastIdle) / elapsedMs);
        }
        counter.lastIdle = idleMs;
        counter.lastAt = at;
    }
    if (nvidia_) {
        if (auto use = nvidia_->busiest()) {
            consider(*use);
        }
    }
    return busiest;
}

}  // namespace tv::linux_os
