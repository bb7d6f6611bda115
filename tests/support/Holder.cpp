// A stand-in for TallyVane in the executor's tests: it holds the given processes through the
// real executor, reports to a file, and (with --release-after) lets them go again.
//   holder <report-file> <pause|slow> <release-after-ms or 0> <pid>...
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdlib>

#include "makeway/HoldBack.h"
#include "makeway/UndoFile.h"
#include "platform/linux/LinuxBackgroundBand.h"
#include "platform/linux/LinuxProcessControl.h"

namespace {

void report(const QString& path, const char* text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

}  // namespace

int main(int argc, char** argv) {
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

    auto hold = std::make_unique<tv::HoldBack>(
        static_cast<std::int32_t>(QCoreApplication::applicationPid()), 4.0, 1.0,
        tv::HoldBack::Parts{std::make_unique<tv::linux_os::LinuxProcessControl>(),
                            std::make_unique<tv::linux_os::LinuxBackgroundBand>(),
                            std::make_unique<tv::linux_os::LinuxWatchdogLauncher>(),
                            QFileInfo(reportPath).absolutePath() + "/undo"});
    hold->apply({tv::Change::holding(row, how)}, {{row.id, tv::Held{row, how}}});
    report(reportPath, "held\n");
    if (releaseAfter > 0) {
        QTimer::singleShot(releaseAfter, [&] {
            hold->apply({tv::Change::release(row.id)}, {});
            report(reportPath, "released\n");
        });
    }
    return QCoreApplication::exec();
}
