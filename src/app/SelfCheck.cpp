#include "app/SelfCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "core/Format.h"
#include "monitor/LiveReaders.h"
#include "platform/Platform.h"
#include "speedtest/SpeedTool.h"

namespace tv {

namespace {

const char* pressureName(int pressure) {
    switch (pressure) {
        case 1:
            return "normal";
        case 2:
            return "warning";
        case 4:
            return "critical";
        default:
            return "unknown";
    }
}

Date nowInSeconds() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

std::string twoDecimals(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The first `count` rows by the given measure, largest first.
template <typename Measure>
std::vector<ProcessUsage> top(std::vector<ProcessUsage> rows, std::size_t count, Measure measure) {
    std::stable_sort(rows.begin(), rows.end(), [&](const ProcessUsage& a, const ProcessUsage& b) {
        return measure(a) > measure(b);
    });
    rows.resize(std::min(rows.size(), count));
    return rows;
}

void describeRows(std::ostringstream& out, const char* title,
                  const std::vector<ProcessUsage>& rows) {
    out << '\n' << title << ":\n";
    for (const ProcessUsage& row : rows) {
        out << "  " << row.name << "  " << Format::bytes(row.memory) << "  "
            << Format::wholeNumber(row.cpu) << "% CPU  " << row.count
            << (row.count == 1 ? " process" : " processes") << (row.system ? "  system" : "")
            << (row.typed ? "  typed" : "") << "\n    " << row.id << '\n';
    }
}

QJsonObject rowAsJson(const ProcessUsage& row) {
    QJsonArray pids;
    for (std::int32_t pid : row.pids) {
        pids.append(pid);
    }
    QJsonObject json{{"id", QString::fromStdString(row.id)},
                     {"name", QString::fromStdString(row.name)},
                     {"memory", static_cast<double>(row.memory)},
                     {"cpu", row.cpu},
                     {"count", row.count},
                     {"pids", pids},
                     {"system", row.system},
                     {"typed", row.typed}};
    json["appPath"] = row.appPath ? QJsonValue(QString::fromStdString(*row.appPath)) : QJsonValue();
    return json;
}

QJsonArray numbers(const std::vector<double>& values) {
    QJsonArray array;
    for (double value : values) {
        array.append(value);
    }
    return array;
}

// The folder of the program's own files of one kind, when it holds a file matching `pattern`.
std::string ownFiles(const std::string& kind, const QString& pattern) {
    std::string folder = platform::resourceFolder(kind);
    if (folder.empty() ||
        QDir(QString::fromStdString(folder)).entryList({pattern}, QDir::Files).isEmpty()) {
        return {};
    }
    return folder;
}

}  // namespace

CheckReport takeCheck() {
    auto front = platform::frontAppSource();
    const bool frontAvailable = front->available();
    LiveReaders readers(std::move(front));
    auto system = platform::systemInfo();
    CheckReport report;
    readers.cpu();
    readers.processes();
    readers.network();
    QThread::msleep(1000);
    report.cpu = readers.cpu();
    report.processes = readers.processes();
    report.network = readers.network();
    report.thermal = readers.thermal();
    report.load = readers.load();
    report.memory = readers.memory();
    report.chip = system->chip();
    report.efficiencyCores = static_cast<int>(system->efficiencyCores().size());
    report.takenAt = nowInSeconds();
    report.bootedAt = system->bootTime().value_or(report.takenAt);

    report.fontFolder = ownFiles("fonts", QStringLiteral("*.ttf"));
    report.soundFolder = ownFiles("sounds", QStringLiteral("Select.wav"));

    if (!report.cpu) {
        report.unavailable.emplace_back("cpu", "processor counters could not be read");
    }
    if (report.memory.total == 0) {
        report.unavailable.emplace_back("memory", "memory statistics could not be read");
    } else if (!QFileInfo::exists(QStringLiteral("/proc/pressure/memory"))) {
        report.unavailable.emplace_back(
            "memoryStalls",
            "the kernel reports no memory stalls (PSI); pressure uses free memory alone");
    }
    if (report.chip.empty()) {
        report.unavailable.emplace_back("chip", "the processor does not say its name");
    }
    for (const auto& missing : readers.unavailable()) {
        report.unavailable.emplace_back(missing.reading, missing.why);
    }
    SpeedTool speedTool = SpeedTool::find(QString::fromStdString(platform::programFolder()));
    report.speedTool = speedTool.program.toStdString();
    report.speedToolFound = speedTool.available();
    report.sources.emplace_back("frontApp", readers.frontAppMethod());
    report.sources.emplace_back("sessionRoles", platform::sessionRoles()->describe());
    report.sources.emplace_back("thisSession", platform::sessionMembership());
    auto journal = platform::journalFolder();
    bool canHold = journal->usable();
    report.holdBack = {
        {"pause",
         "in beats (4 s stopped, 1 s running): " + platform::processControl()->describePause()},
        {"cpuBand", platform::backgroundBand()->describe()},
        {"journal",
         journal->describe() + (canHold ? ""
                                        : "; nothing is held back (make way does not slow or "
                                          "pause) without a private folder for its undo journal")},
        {"refused",
         "processes someone else stopped or lowered, typed commands and stops with job-control "
         "side effects are left alone; an app of which nothing could be held (see pause, "
         "cpuBand and journal) is not shown as held, not announced, and uses no pause slot"},
    };
    // Where the chosen source cannot answer here, it says why itself.
    report.frontAppSource =
        frontAvailable ? platform::frontAppSourceName() : readers.frontAppMethod();
    if (!frontAvailable) {
        report.unavailable.emplace_back(
            "frontApp", "no X11 display to ask which window is in front (make way waits for one)");
    }
    return report;
}

std::string describeCheck(const CheckReport& r) {
    std::ostringstream out;
    out << "TallyVane self-check\n\n";
    if (r.cpu) {
        out << "CPU: " << Format::percent(r.cpu->total()) << " (user "
            << Format::percent(r.cpu->user) << ", system " << Format::percent(r.cpu->system)
            << ")\n";
        out << "Cores (" << r.cpu->cores.size() << "):";
        for (double core : r.cpu->cores) {
            out << ' ' << Format::percent(core);
        }
        out << '\n';
    } else {
        out << "CPU: not available\n";
    }
    out << "Load: " << twoDecimals(r.load.at(0)) << ' ' << twoDecimals(r.load.at(1)) << ' '
        << twoDecimals(r.load.at(2)) << '\n';
    out << "Chip: " << (r.chip.empty() ? "unknown" : r.chip) << '\n';
    out << "Efficiency cores: " << r.efficiencyCores << '\n';
    out << "Uptime: " << Format::uptime(r.bootedAt, r.takenAt) << '\n';
    const MemorySample& m = r.memory;
    out << "\nMemory: " << Format::bytes(m.used()) << " used of " << Format::bytes(m.total) << '\n';
    out << "  app " << Format::bytes(m.app) << ", wired " << Format::bytes(m.wired)
        << ", compressed " << Format::bytes(m.compressed) << ", cached " << Format::bytes(m.cached)
        << '\n';
    out << "Swap: " << Format::bytes(m.swapUsed) << " used of " << Format::bytes(m.swapTotal)
        << '\n';
    out << "Pressure: " << m.pressure << " (" << pressureName(m.pressure) << ")\n";
    out << "Front app from: " << r.frontAppSource << '\n';
    out << "\nNetwork: " << Format::rate(r.network.down) << " down, " << Format::rate(r.network.up)
        << " up\n";
    out << "Speed test: " << r.speedTool << (r.speedToolFound ? "" : " (missing)") << '\n';
    const ThermalSample& t = r.thermal;
    out << "Temperatures: CPU " << Format::temperature(t.cpu, false) << ", hottest "
        << Format::temperature(t.cpuMax, false) << ", GPU " << Format::temperature(t.gpu, false)
        << ", battery " << Format::temperature(t.battery, false) << '\n';
    for (std::size_t i = 0; i < t.fans.size(); ++i) {
        out << "Fan " << i + 1 << ": " << Format::wholeNumber(t.fans[i].rpm) << " rpm";
        if (t.fans[i].max > 0) {
            out << " (" << Format::wholeNumber(t.fans[i].min) << "–"
                << Format::wholeNumber(t.fans[i].max) << ")";
        }
        out << '\n';
    }
    out << "\nPanel font: "
        << (r.fontFolder.empty() ? "not found (the panel uses the system font)" : r.fontFolder)
        << '\n';
    out << "Sounds: "
        << (r.soundFolder.empty() ? "not found (the panel plays no clicks)" : r.soundFolder)
        << '\n';
    describeRows(out, "Apps using the most memory", top(r.processes, 10, [](const ProcessUsage& p) {
                     return static_cast<double>(p.memory);
                 }));
    describeRows(out, "Apps using the most CPU",
                 top(r.processes, 10, [](const ProcessUsage& p) { return p.cpu; }));
    out << "\nSources in use on this machine:\n";
    for (const auto& [what, how] : r.sources) {
        if (what != "frontApp") {  // said above, as "Front app from"
            out << "  " << what << ": " << how << '\n';
        }
    }
    out << "\nHolding back:\n";
    for (const auto& [what, how] : r.holdBack) {
        out << "  " << what << ": " << how << '\n';
    }
    if (!r.unavailable.empty()) {
        out << "\nNot available on this machine:\n";
        for (const auto& [reading, why] : r.unavailable) {
            out << "  " << reading << ": " << why << '\n';
        }
    }
    return out.str();
}

QJsonObject checkAsJson(const CheckReport& r) {
    QJsonObject json;
    if (r.cpu) {
        json["cpu"] = QJsonObject{
            {"cores", numbers(r.cpu->cores)}, {"user", r.cpu->user}, {"system", r.cpu->system}};
    } else {
        json["cpu"] = QJsonValue::Null;
    }
    json["load"] = numbers(r.load);
    json["frontAppSource"] = QString::fromStdString(r.frontAppSource);
    json["chip"] = QString::fromStdString(r.chip);
    json["efficiencyCores"] = r.efficiencyCores;
    auto bootSeconds = static_cast<qint64>(secondsSinceEpoch(r.bootedAt));
    json["bootedAt"] = QDateTime::fromSecsSinceEpoch(bootSeconds, Qt::UTC).toString(Qt::ISODate);
    json["uptime"] = QString::fromStdString(Format::uptime(r.bootedAt, r.takenAt));
    const MemorySample& m = r.memory;
    // Byte counts stay exact as doubles up to 2^53 (8 PiB).
    json["memory"] = QJsonObject{{"total", static_cast<double>(m.total)},
                                 {"app", static_cast<double>(m.app)},
                                 {"wired", static_cast<double>(m.wired)},
                                 {"compressed", static_cast<double>(m.compressed)},
                                 {"cached", static_cast<double>(m.cached)},
                                 {"swapUsed", static_cast<double>(m.swapUsed)},
                                 {"swapTotal", static_cast<double>(m.swapTotal)},
                                 {"pressure", m.pressure}};
    json["network"] = QJsonObject{{"down", r.network.down}, {"up", r.network.up}};
    json["speedTool"] =
        QJsonObject{{"program", QString::fromStdString(r.speedTool)}, {"found", r.speedToolFound}};
    auto celsius = [](const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(); };
    QJsonArray fans;
    for (const Fan& fan : r.thermal.fans) {
        fans.append(QJsonObject{{"rpm", fan.rpm}, {"min", fan.min}, {"max", fan.max}});
    }
    json["thermal"] = QJsonObject{{"cpu", celsius(r.thermal.cpu)},
                                  {"cpuMax", celsius(r.thermal.cpuMax)},
                                  {"gpu", celsius(r.thermal.gpu)},
                                  {"battery", celsius(r.thermal.battery)},
                                  {"fans", fans}};
    QJsonArray processes;
    for (const ProcessUsage& row : r.processes) {
        processes.append(rowAsJson(row));
    }
    json["processes"] = processes;
    auto folder = [](const std::string& f) {
        return f.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(f));
    };
    json["fontFolder"] = folder(r.fontFolder);
    json["soundFolder"] = folder(r.soundFolder);
    QJsonArray unavailable;
    for (const auto& [reading, why] : r.unavailable) {
        unavailable.append(QJsonObject{{"reading", QString::fromStdString(reading)},
                                       {"why", QString::fromStdString(why)}});
    }
    json["unavailable"] = unavailable;
    QJsonObject sources;
    for (const auto& [what, how] : r.sources) {
        sources[QString::fromStdString(what)] = QString::fromStdString(how);
    }
    json["sources"] = sources;
    QJsonObject holdBack;
    for (const auto& [what, how] : r.holdBack) {
        holdBack[QString::fromStdString(what)] = QString::fromStdString(how);
    }
    json["holdBack"] = holdBack;
    return json;
}

int runSelfCheck(bool json) {
    CheckReport report = takeCheck();
    std::string text =
        json ? QJsonDocument(checkAsJson(report)).toJson().toStdString() : describeCheck(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace tv
