#include "support/Completed.h"

#include <QProcess>
#include <QStringList>

namespace tv::test {

Completed runToEnd(const std::vector<std::string>& argv, double seconds) {
    Completed ran;
    if (argv.empty()) {
        return ran;
    }
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        arguments << QString::fromStdString(argv[i]);
    }
    QProcess process;
    process.start(QString::fromStdString(argv.front()), arguments);
    ran.finished = process.waitForFinished(static_cast<int>(seconds * 1000));
    if (!ran.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    ran.out = process.readAllStandardOutput().toStdString();
    ran.err = process.readAllStandardError().toStdString();
    if (ran.finished && process.exitStatus() == QProcess::NormalExit) {
        ran.status = process.exitCode();
    } else if (ran.finished) {
        // The process class tells a crash only as such; the signal is its exit code.
        ran.signal = process.exitCode();
    }
    return ran;
}

}  // namespace tv::test
