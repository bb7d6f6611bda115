#include "app/Watch.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

#include "core/Format.h"
#include "monitor/Monitor.h"

namespace tv {

int runWatch(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Monitor monitor(MonitorParts::live());
    monitor.setOnSample([&monitor] {
        const MemorySample& m = monitor.memory();
        double used = m.total ? static_cast<double>(m.used()) / static_cast<double>(m.total) : 0;
        std::string line = "CPU " + Format::percent(monitor.cpu().total()) + "  Memory " +
                           Format::percent(used) + " (" + Format::bytes(m.used()) + " of " +
                           Format::bytes(m.total) + ", pressure " + std::to_string(m.pressure) +
                           ")  " + monitor.healthTitle() + "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    });
    monitor.start();
    return QCoreApplication::exec();
}

}  // namespace tv
