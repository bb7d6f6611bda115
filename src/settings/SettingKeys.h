#pragma once

// The keys of every stored setting. Exact and case-sensitive.
namespace tv::SettingKeys {

inline constexpr const char* menuCPU = "menuCPU";
inline constexpr const char* menuMemory = "menuMemory";
inline constexpr const char* menuHeat = "menuHeat";
inline constexpr const char* alertMemory = "alertMemory";
inline constexpr const char* alertHeat = "alertHeat";
inline constexpr const char* alertStuckApp = "alertStuckApp";
inline constexpr const char* makeWay = "makeWay";
inline constexpr const char* sounds = "sounds";
inline constexpr const char* panel = "panel";
inline constexpr const char* sortByCPU = "sortByCPU";
inline constexpr const char* reviewStars = "reviewStars";
inline constexpr const char* reviewNotNow = "reviewNotNow";
inline constexpr const char* reviewNotNowAt = "reviewNotNowAt";
inline constexpr const char* crashesAskedUntil = "crashesAskedUntil";
inline constexpr const char* firstLaunch = "firstLaunch";
inline constexpr const char* loginItemSetUp = "loginItemSetUp";
inline constexpr const char* soundFolder = "soundFolder";
inline constexpr const char* recordSeconds = "recordSeconds";
inline constexpr const char* demoLoop = "demoLoop";
inline constexpr const char* demoPressure = "demoPressure";
inline constexpr const char* demoThermal = "demoThermal";
inline constexpr const char* demoHide = "demoHide";
// Our answer about the desktop add-on that reports the front window: "asked", "on", "off".
inline constexpr const char* focusExtension = "focusExtension";

}  // namespace tv::SettingKeys
