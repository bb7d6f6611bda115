#include "app/ToolkitStartGuard.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace tv {

namespace {

void duringToolkitStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        std::fputs((qFormatLogMessage(type, context, message) + QLatin1Char('\n')).toLocal8Bit(),
                   stderr);
        return;
    }
    // The toolkit's own text runs over several lines with advice that does not fit here.
    QString first = message.section(QLatin1Char('\n'), 0, 0).trimmed();
    std::fputs(("tallyvane: the desktop session could not be used (" + first +
                "); 'tallyvane --check' and 'tallyvane --watch' run without one\n")
                   .toLocal8Bit(),
               stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

ToolkitStartGuard::ToolkitStartGuard() {
    qInstallMessageHandler(duringToolkitStart);
}

ToolkitStartGuard::~ToolkitStartGuard() {
    qInstallMessageHandler(nullptr);
}

}  // namespace tv
