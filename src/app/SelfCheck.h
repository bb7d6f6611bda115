#pragma once

#include <QJsonObject>

#include <optional>
#include <string>
#include <vector>

#include "core/CPUSample.h"
#include "core/Date.h"
#include "core/MemorySample.h"
#include "core/NetworkRate.h"
#include "core/ProcessUsage.h"
#include "core/ThermalSample.h"

namespace tv {

// What the self-check found on this machine.
struct CheckReport {
    std::optional<CPUSample> cpu;
    std::vector<double> load;
    std::string chip;
    int efficiencyCores = 0;
    Date bootedAt;
    Date takenAt;
    MemorySample memory;
    std::vector<ProcessUsage> processes;
    NetworkRate network;
    ThermalSample thermal;
    std::string fontFolder;   // where the panel's font was found; empty: not found
    std::string soundFolder;  // where the click sounds were found; empty: not found
    std::string frontAppSource;  // where the front window is learnt from
    std::vector<std::pair<std::string, std::string>> unavailable;  // reading, why
    std::string speedTool;  // the network-quality program a speed test would run
    bool speedToolFound = false;
    std::vector<std::pair<std::string, std::string>> sources;      // what is found, how
    // How make way holds apps back here: "pause", "cpuBand", "journal", each with its words.
    std::vector<std::pair<std::string, std::string>> holdBack;
};

// Takes two readings one second apart on this machine.
CheckReport takeCheck();

// The report for a person to read.
std::string describeCheck(const CheckReport& report);

// The report as one JSON object, keys named after the record fields.
QJsonObject checkAsJson(const CheckReport& report);

// "--check" and "--check --json": prints the report and returns the exit code.
int runSelfCheck(bool json);

}  // namespace tv
