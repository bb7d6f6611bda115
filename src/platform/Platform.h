#pragma once

#include <memory>
#include <string>

#include "core/SelfIdentity.h"
#include "core/Vocabulary.h"
#include "platform/AudioSource.h"
#include "platform/BackgroundBand.h"
#include "platform/CpuTickSource.h"
#include "platform/FocusExtension.h"
#include "platform/FrontAppSource.h"
#include "platform/GpuSource.h"
#include "platform/LoginItem.h"
#include "platform/MemorySource.h"
#include "platform/NetworkSource.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessControl.h"
#include "platform/ProcessSource.h"
#include "platform/SessionRoles.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemInfo.h"
#include "platform/ThermalSource.h"
#include "platform/ThermalStateSource.h"
#include "platform/TrayEmbedder.h"

// The sources and facts of the platform TallyVane runs on. Each platform folder provides
// these functions once.
namespace tv::platform {

std::unique_ptr<CpuTickSource> cpuTickSource();
std::unique_ptr<MemorySource> memorySource();
std::unique_ptr<ProcessSource> processSource();
std::unique_ptr<NetworkSource> networkSource();
std::unique_ptr<AudioSource> audioSource();
// Absent when the machine has no GPU whose use can be read.
std::unique_ptr<GpuSource> gpuSource();
// Absent when the machine has no temperature sensor and no fan that can be read.
std::unique_ptr<ThermalSource> thermalSource();
std::unique_ptr<SystemInfo> systemInfo();
std::unique_ptr<ThermalStateSource> thermalStateSource();
std::unique_ptr<FrontAppSource> frontAppSource();
// Who plays the roles of the user's desktop session.
std::unique_ptr<SessionRoles> sessionRoles();
// How the processes of the session TallyVane runs in are told from the user's other sessions'
// (only they are held back or offered to quit), for the self-check.
std::string sessionMembership();
// Which source `frontAppSource` asks, for the self-check.
std::string frontAppSourceName();
// Our add-on that reports the front window, where this desktop needs one to tell it (GNOME
// Shell on Wayland); absent elsewhere.
std::unique_ptr<FocusExtension> focusExtension();

// Acting on other processes: stop and continue, the background band, the watchdog.
std::unique_ptr<ProcessControl> processControl();
std::unique_ptr<BackgroundBand> backgroundBand();
std::unique_ptr<WatchdogLauncher> watchdogLauncher();
// The user's private folder for undo journals, where the platform has one (its path is empty
// when it has none), and a folder at `path` checked the same way.
std::unique_ptr<PrivateFolder> journalFolder();
std::unique_ptr<PrivateFolder> privateFolder(const std::string& path);

// The nouns the platform's texts use.
const Vocabulary& vocabulary();

// The desktop's sound-effect service.
std::unique_ptr<SoundPlayer> soundPlayer();
// Starting TallyVane at login.
std::unique_ptr<LoginItem> loginItem();
// Docking into a tray that embeds windows; needs the GUI application to exist. Absent when
// the platform's tray does not embed windows.
std::unique_ptr<TrayEmbedder> trayEmbedder();

// This program's own pid and application path.
SelfIdentity selfIdentity();

// The folder of the program's own files of one kind ("fonts", "sounds"): beside the program
// in its build tree, else "share/tallyvane/<kind>" of the prefix it is installed under.
// Empty when neither holds any file.
std::string resourceFolder(const std::string& kind);

// The folder the running program's executable is in (where its companion tools are
// installed); empty when the platform cannot say.
std::string programFolder();

// Hands the memory freed so far back to the system, where the allocator would keep it for
// later. For after a burst that built and dropped much (the start, a closed panel): a few
// milliseconds at most, not for every tick.
void returnFreedMemory();

// Whether the user's locale measures the US way (temperatures then default to Fahrenheit).
bool measurementIsUS();

}  // namespace tv::platform
