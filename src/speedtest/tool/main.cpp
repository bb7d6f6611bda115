// tallyvane-netquality: measures the internet connection's download and upload capacity,
// idle latency and responsiveness under load, for TallyVane's speed test (which reads
// "dl_throughput", "ul_throughput" and "base_rtt" from its "-c" output).

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxyFactory>
#include <QSocketNotifier>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "speedtest/tool/NetQuality.h"
#include "speedtest/tool/ToolOptions.h"

using tv::netquality::Failure;
using tv::netquality::NetQuality;
using tv::netquality::ToolOptions;

namespace {

// The write end of the pipe that carries SIGTERM and SIGINT into the event loop; set once
// before the handlers are installed.
int signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &number, 1);
}

void print(const QByteArray& text, FILE* to) {
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), to);
    std::fflush(to);
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray failureJson(const Failure& failure) {
    return json(QJsonObject{{QStringLiteral("error_code"), failure.code},
                            {QStringLiteral("error_domain"), failure.domain},
                            {QStringLiteral("error_message"), failure.message}});
}

QString bitrate(double bitsPerSecond) {
    return bitsPerSecond >= 1e9 ? QString::number(bitsPerSecond / 1e9, 'f', 2) + " Gbps"
                                : QString::number(bitsPerSecond / 1e6, 'f', 1) + " Mbps";
}

QByteArray summary(const QJsonObject& f) {
    QString text;
    text += "Download: " + bitrate(f["dl_throughput"].toDouble()) + " (" +
            QString::number(f["dl_flows"].toInt()) + " flows)\n";
    text += "Upload: " + bitrate(f["ul_throughput"].toDouble()) + " (" +
            QString::number(f["ul_flows"].toInt()) + " flows)\n";
    text += "Idle latency: " + QString::number(f["base_rtt"].toDouble(), 'f', 1) + " ms\n";
    if (f.contains("responsiveness")) {
        text += "Responsiveness: " + QString::number(f["responsiveness"].toInt()) + " RPM\n";
    }
    text += "Test endpoint: " + f["test_endpoint"].toString() + "\n";
    return text.toUtf8();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString problem;
    std::optional<ToolOptions> options = ToolOptions::parse(arguments, &problem);
    if (!options) {
        bool wantsJson = arguments.contains(QStringLiteral("-c"));
        Failure failure{2, QStringLiteral("usage"), problem};
        print(wantsJson ? failureJson(failure) : (problem + "\n" + ToolOptions::usage()).toUtf8(),
              wantsJson ? stdout : stderr);
        return 2;
    }
    if (options->help) {
        print(ToolOptions::usage().toUtf8(), stdout);
        return 0;
    }

    if (::pipe(signalPipe) != 0) {
        return 1;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    // The system's proxy settings (the proxy environment variables) apply to every request.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    NetQuality run(*options);
    bool asJson = options->json;
    // Once the answer is out, the process ends at once. Tearing the network down first would
    // wait for its worker thread, which a server sending without end (headers that never
    // finish) keeps busy well past the time bound.
    QObject::connect(&run, &NetQuality::done, &app, [&](const QJsonObject& figures) {
        print(asJson ? json(figures) : summary(figures), stdout);
        std::_Exit(0);
    });
    QObject::connect(&run, &NetQuality::failed, &app, [&](const Failure& failure) {
        if (asJson) {
            print(failureJson(failure), stdout);
        } else {
            print(("Failed: " + failure.message + "\n").toUtf8(), stderr);
        }
        std::_Exit(failure.domain == QLatin1String("signal") ? 128 + failure.code : 1);
    });
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        unsigned char number = 0;
        if (::read(signalPipe[0], &number, 1) == 1) {
            run.interrupt(number);
        }
    });
    run.start();
    return app.exec();
}
