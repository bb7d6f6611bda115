#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/Platform.h"
#include "platform/linux/desktop/AutostartEntry.h"
#include "platform/linux/desktop/LinuxSessionRoles.h"
#include "platform/linux/desktop/SessionEnvironment.h"
#include "platform/linux/focus/ForeignToplevelFrontApp.h"
#include "platform/linux/focus/FrontAppChoice.h"
#include "platform/linux/focus/GnomeShellExtension.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"
#include "platform/linux/proc/LinuxProcessSource.h"
#include "platform/linux/proc/SessionMembership.h"
#include "platform/linux/sound/CanberraPlayer.h"
#include "platform/linux/sound/LinuxAudioActivity.h"
#include "platform/linux/system/LinuxCpuTickSource.h"
#include "platform/linux/system/LinuxGpuSource.h"
#include "platform/linux/system/LinuxMemorySource.h"
#include "platform/linux/system/LinuxNetworkSource.h"
#include "platform/linux/system/LinuxSystemInfo.h"
#include "platform/linux/system/LinuxThermalSource.h"
#include "platform/linux/system/LinuxThermalStateSource.h"

namespace tv::platform {

namespace {

// Linux has no thermal state of its own; until one is derived from the sensors, it reads
// as nominal.
class NominalThermalState : public ThermalStateSource {
  public:
    ThermalState read() override { return 0; }
};

// The territory part of a locale name such as "en_US.UTF-8@euro".
std::string_view territoryOf(std::string_view locale) {
    std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos) {
        return {};
    }
    std::string_view territory = locale.substr(underscore + 1);
    return territory.substr(0, territory.find_first_of(".@"));
}

// A source only when it found something to read.
template <typename Interface, typename Source>
std::unique_ptr<Interface> unlessEmpty(std::unique_ptr<Source> source) {
    if (source->empty()) {
        return nullptr;
    }
    return source;
}

}  // namespace

std::unique_ptr<CpuTickSource> cpuTickSource() {
    return std::make_unique<linux_os::LinuxCpuTickSource>();
}

std::unique_ptr<MemorySource> memorySource() {
    return std::make_unique<linux_os::LinuxMemorySource>();
}

std::unique_ptr<ProcessSource> processSource() {
    return std::make_unique<linux_os::LinuxProcessSource>();
}

std::unique_ptr<NetworkSource> networkSource() {
    return std::make_unique<linux_os::LinuxNetworkSource>();
}

std::unique_ptr<AudioSource> audioSource() {
    return std::make_unique<linux_os::LinuxAudioActivity>();
}

std::unique_ptr<GpuSource> gpuSource() {
    return unlessEmpty<GpuSource>(std::make_unique<linux_os::LinuxGpuSource>());
}

std::unique_ptr<ThermalSource> thermalSource() {
    return unlessEmpty<ThermalSource>(std::make_unique<linux_os::LinuxThermalSource>());
}

std::unique_ptr<SystemInfo> systemInfo() {
    return std::make_unique<linux_os::LinuxSystemInfo>();
}

std::unique_ptr<ThermalStateSource> thermalStateSource() {
    return std::make_unique<linux_os::LinuxThermalStateSource>();
}

// The one place the front-app source is chosen.
linux_os::FrontAppChoice frontAppChoice() {
    return linux_os::FrontAppChoice::of(
        linux_os::environmentValue,
        [](const std::string& path) { return ::access(path.c_str(), F_OK) == 0; },
        &linux_os::ownedOnSessionBus, linux_os::ForeignToplevelFrontApp::offered);
}

std::unique_ptr<FrontAppSource> frontAppSource() {
    return frontAppChoice().make(static_cast<std::int32_t>(::getpid()));
}

std::string frontAppSourceName() {
    linux_os::FrontAppChoice choice = frontAppChoice();
    if (choice.kind != linux_os::FrontAppChoice::Kind::gnome) {
        return choice.describe();
    }
    return choice.describe() + " (" +
           linux_os::GnomeShellExtension::stateText(linux_os::GnomeShellExtension().state()) + ")";
}

std::unique_ptr<FocusExtension> focusExtension() {
    if (!linux_os::GnomeShellExtension::needed(linux_os::environmentValue)) {
        return nullptr;
    }
    return std::make_unique<linux_os::GnomeShellExtension>();
}

std::unique_ptr<SessionRoles> sessionRoles() {
    return std::make_unique<linux_os::LinuxSessionRoles>(
        linux_os::LinuxSessionRoles::forThisSession());
}

std::string sessionMembership() {
    return linux_os::SessionMembership::ofThisProcess().describe();
}

std::unique_ptr<SoundPlayer> soundPlayer() {
    return std::make_unique<linux_os::CanberraPlayer>();
}

std::unique_ptr<LoginItem> loginItem() {
    return std::make_unique<linux_os::AutostartEntry>();
}

std::unique_ptr<ProcessControl> processControl() {
    return std::make_unique<linux_os::LinuxProcessControl>();
}

std::unique_ptr<BackgroundBand> backgroundBand() {
    return std::make_unique<linux_os::LinuxBackgroundBand>();
}

std::unique_ptr<WatchdogLauncher> watchdogLauncher() {
    return std::make_unique<linux_os::LinuxWatchdogLauncher>();
}

std::unique_ptr<PrivateFolder> journalFolder() {
    return std::make_unique<linux_os::LinuxPrivateFolder>(
        linux_os::LinuxPrivateFolder::defaultPath());
}

std::unique_ptr<PrivateFolder> privateFolder(const std::string& path) {
    return std::make_unique<linux_os::LinuxPrivateFolder>(path);
}

const Vocabulary& vocabulary() {
    return Vocabulary::forLinux();
}

SelfIdentity selfIdentity() {
    return SelfIdentity{std::nullopt, static_cast<std::int32_t>(::getpid())};
}

// The locale that decides measurement, as the C library picks it: LC_ALL, then
// LC_MEASUREMENT, then LANG. The US, Liberia and Myanmar use the US system.
bool measurementIsUS() {
    for (const char* name : {"LC_ALL", "LC_MEASUREMENT", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string_view territory = territoryOf(value);
            return territory == "US" || territory == "LR" || territory == "MM";
        }
    }
    return false;
}

// The C library keeps what was freed in its heaps for the next allocation and hands back only
// what lies at a heap's top; trimming hands back every free page.
void returnFreedMemory() {
    ::malloc_trim(0);
}

}  // namespace tv::platform
