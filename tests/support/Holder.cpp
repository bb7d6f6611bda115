// A stand-in for TallyVane in the executor's tests: it holds the given processes through the
// real executor, reports to a file, and (with --release-after) lets them go again. It is also
// the watchdog program of the executors the tests build (TallyVane's own "--watchdog" mode).
// Its report says "held", or "held disk-only" where only the disk use could be lowered.
//   holder <report-file> <pause|slow> <release-after-ms or 0> <pid>...
//   holder --watchdog <folder> <owner> <owner start>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdlib>

#include "makeway/HoldBack.h"
#include "makeway/Watchdog.h"
#include "platform/linux/holdback/LinuxBackgroundBand.h"
#include "platform/linux/holdback/LinuxPrivateFolder.h"
#include "platform/linux/holdback/LinuxProcessControl.h"

namespace {

void report(const QString& path, const char* text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (tv::Watchdog::called(argc, argv)) {
        return tv::Watchdog::run(argc, argv);
    }
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        return 2;
    }
    const QString reportPath = QString::fromLocal8Bit(argv[1]);
    const tv::Hold how = std::string(argv[2]) == "pause" ? tv::Hold::paused : tv::Hold::slowed;
    const int releaseAfter = std::atoi(argv[3]);
    tv::ProcessUsage row;
    row.id = "app:/holder-test.desktop";
    row.name = "Held";
    for (int i = 4; i < argc; ++i) {
        row.pids.push_back(std::atoi(argv[i]));
    }
    row.count = static_cast<int>(row.pids.size());
    tv::linux_os::LinuxProcessControl control;
    for (std::int32_t pid : row.pids) {
        row.started.push_back(control.startedAt(pid).value_or(0));
    }

    auto hold = std::make_unique<tv::HoldBack>(
        static_cast<std::int32_t>(QCoreApplication::applicationPid()), 4.0, 1.0,
        tv::HoldBack::Parts{std::make_unique<tv::linux_os::LinuxProcessControl>(),
                            std::make_unique<tv::linux_os::LinuxBackgroundBand>(),
                            std::make_unique<tv::linux_os::LinuxWatchdogLauncher>(),
                            std::make_unique<tv::linux_os::LinuxPrivateFolder>(
                                QFileInfo(reportPath).absolutePath().toStdString() + "/undo")});
    // Says so where no CPU band could act on the held processes.
    auto done = hold->apply({tv::Change::holding(row, how)}, {{row.id, tv::Held{row, how}}});
    bool diskOnly = done && !done->diskOnly.empty();
    report(reportPath, diskOnly ? "held disk-only\n" : "held\n");
    if (releaseAfter > 0) {
        QTimer::singleShot(releaseAfter, [&] {
            hold->apply({tv::Change::release(row.id)}, {});
            report(reportPath, "released\n");
        });
    }
    return QCoreApplication::exec();
}
