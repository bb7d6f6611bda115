#include "speedtest/tool/ToolOptions.h"

#include <cmath>

namespace tv::netquality {

std::optional<ToolOptions> ToolOptions::parse(const QStringList& arguments, QString* problem) {
    ToolOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size()) {
                *problem = a + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (a == QLatin1String("-c")) {
            options.json = true;
        } else if (a == QLatin1String("-s")) {
            options.sequential = true;
        } else if (a == QLatin1String("-h")) {
            options.help = true;
        } else if (a == QLatin1String("-M")) {
            std::optional<QString> v = value();
            if (!v) {
                return std::nullopt;
            }
            bool ok = false;
            double seconds = v->toDouble(&ok);
            // A day is far beyond any sensible run; a bound must leave time to measure.
            if (!ok || !std::isfinite(seconds) || seconds < 1 || seconds > 86'400) {
                *problem = QStringLiteral("-M needs a number of seconds from 1 to 86400");
                return std::nullopt;
            }
            options.maxSeconds = seconds;
        } else if (a == QLatin1String("-L")) {
            std::optional<QString> v = value();
            if (!v) {
                return std::nullopt;
            }
            bool ok = false;
            qlonglong bytes = v->toLongLong(&ok);
            // Less than a megabyte measures nothing on any link worth measuring.
            if (!ok || bytes < 1'000'000 || bytes > 1'000'000'000'000) {
                *problem =
                    QStringLiteral("-L needs a number of bytes from 1000000 to 1000000000000");
                return std::nullopt;
            }
            options.maxBytes = bytes;
        } else if (a == QLatin1String("-C")) {
            std::optional<QString> v = value();
            if (!v) {
                return std::nullopt;
            }
            options.configUrl = *v;
        } else {
            *problem = QStringLiteral("unknown argument ") + a;
            return std::nullopt;
        }
    }
    return options;
}

QString ToolOptions::usage() {
    return QStringLiteral(
        "usage: tallyvane-netquality [-c] [-s] [-M seconds] [-L bytes] [-C config-url] [-h]\n"
        "Measures the internet connection's download and upload capacity, its idle latency\n"
        "and its responsiveness under load.\n"
        "  -c      print one JSON object (dl_throughput and ul_throughput in bits per second,\n"
        "          base_rtt in milliseconds, dl_flows, ul_flows, responsiveness in round trips\n"
        "          per minute, test_endpoint); on failure error_code, error_domain and\n"
        "          error_message, with a non-zero exit status\n"
        "  -M s    end the whole run within s seconds (default 15)\n"
        "  -L n    move at most n bytes each way (default 1000000000)\n"
        "  -C url  use this responsiveness configuration instead of the built-in one\n"
        "  -s      measure download and upload one after the other instead of together\n"
        "  -h      show this help\n");
}

}  // namespace tv::netquality
