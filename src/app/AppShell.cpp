#include "app/AppShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>

#include "app/NoTrayNotice.h"
#include "core/Format.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "platform/QuitSignals.h"
#include "platform/StatusNotifier.h"
#include "settings/SettingKeys.h"
#include "ui/MenuBarLabel.h"

namespace tv {

namespace {

Date now() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

QString runtimeFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/TallyVane");
}

}  // namespace

AppShell::AppShell(const QStringList& arguments, QObject* parent)
    : QObject(parent), arguments_(arguments) {
    MonitorParts parts = MonitorParts::live();
    parts.holdBack = HoldBack::live();
    parts.apps = std::make_unique<Apps>(platform::processControl(), parts.self);
    monitor_ = std::make_unique<Monitor>(std::move(parts));
    item_ = std::make_unique<StatusItem>(platform::trayEmbedder());
    popup_ = std::make_unique<Popup>(*monitor_);
    std::string ownSounds = Sounds::ownFolder();
    sounds_ = std::make_unique<Sounds>(settings_, platform::soundPlayer(), ownSounds);
    alertSound_ = platform::soundPlayer();
    alertSoundFile_ = ownSounds + "/Select.wav";
    fahrenheit_ = Format::fahrenheit(std::nullopt, platform::measurementIsUS());
}

void AppShell::launch() {
    if (!settings_.date(SettingKeys::firstLaunch)) {
        settings_.setDate(SettingKeys::firstLaunch, now());
    }
    loginItem_ = platform::loginItem();
    setUpLoginItem();
    site_ = new Site(this);
    // Automatic checks wait for the first tick (see onSample below).
    updates_ = new UpdateChecker(settings_, *site_, QStringLiteral(TALLYVANE_VERSION), this);

    // Text fields get cut, copy, paste and select-all from Qt's own key bindings.
    connect(item_.get(), &StatusItem::clicked, this, &AppShell::toggle);
    setUpTray();
    connect(popup_.get(), &Popup::closed, this, [this] { monitor_->setOpen(false); });

    setUpNotifications();
    monitor_->setOnSample([this] {
        drawLabel();
        updates_->tick(monitor_->sampledAt());
    });
    monitor_->setOnOpenPanel([this] {
        if (!popup_->isShowing()) {
            toggle();
        }
    });
    watchQuitSignals();
    monitor_->start();

    int open = arguments_.indexOf(QStringLiteral("--open"));
    if (open >= 0) {
        popup_->setTransient(false);
        QTimer::singleShot(openDelayMs, this, [this] {
            if (!popup_->isShowing()) {
                toggle();
            }
        });
    }
}

void AppShell::setUpLoginItem() {
    if (settings_.flag(SettingKeys::loginItemSetUp)) {
        return;
    }
    settings_.setBoolean(SettingKeys::loginItemSetUp, true);
    // A failure is not retried; the settings page can switch it later.
    loginItem_->enable(QCoreApplication::applicationFilePath().toStdString());
}

ReviewPage::Parts AppShell::reviewPageParts() {
    if (osVersion_.isEmpty()) {
        osVersion_ = QString::fromStdString(platform::osVersion());
    }
    return ReviewPage::Parts{settings_,
                             *site_,
                             QStringLiteral(TALLYVANE_VERSION),
                             osVersion_,
                             monitor_->words(),
                             [](const QUrl& link) { QDesktopServices::openUrl(link); },
                             [this](const char* sound) { sounds_->play(sound); }};
}

SettingsPage::Parts AppShell::settingsPageParts() {
    std::function<void()> openNotificationSettings;
    std::vector<std::string> command = platform::notificationSettingsCommand();
    if (!command.empty()) {
        openNotificationSettings = [command] {
            QStringList arguments;
            for (std::size_t i = 1; i < command.size(); ++i) {
                arguments << QString::fromStdString(command[i]);
            }
            QProcess::startDetached(QString::fromStdString(command.front()), arguments);
        };
    }
    return SettingsPage::Parts{
        *monitor_,        notifier_.get(),
        *loginItem_,      QCoreApplication::applicationFilePath().toStdString(),
        *updates_,        std::move(openNotificationSettings),
        reviewPageParts()};
}

void AppShell::setUpNotifications() {
    QString folder = runtimeFolder();
    notifier_ = std::make_unique<Notifier>(
        Notifier::Parts{QDBusConnection::sessionBus(),
                        [this](const std::string& path) { return monitor_->isRunning(path); },
                        [this] { return settings_.isOn(SettingKeys::sounds); },
                        [this] { alertSound_->play(alertSoundFile_); }, 5000,
                        folder.isEmpty() ? QString() : folder + QStringLiteral("/notice-makeway")});
    notifier_->setUp();
    notifier_->removeLeftover();
    connect(notifier_.get(), &Notifier::responded, this,
            [this](const NotificationResponse& response) { monitor_->respond(response); });
    monitor_->setNotices(notifier_.get());
}

// The item goes where this desktop shows tray items; without a tray the program keeps
// working and says so once.
void AppShell::setUpTray() {
    tray_ = std::make_unique<TrayPresenter>(
        TrayPresenter::Parts{*item_, platform::trayEmbedder(), platform::statusNotifier()});
    connect(tray_.get(), &TrayPresenter::clicked, this, &AppShell::toggle);
    connect(tray_.get(), &TrayPresenter::openRequested, this, &AppShell::open);
    connect(tray_.get(), &TrayPresenter::settingsRequested, this, &AppShell::open);
    connect(tray_.get(), &TrayPresenter::quitRequested, this, &QCoreApplication::quit);
    auto* noTray =
        new NoTrayNotice(settings_, QDBusConnection::sessionBus(), NoTrayNotice::graceMs, this);
    connect(noTray, &NoTrayNotice::openRequested, this, &AppShell::open);
    connect(tray_.get(), &TrayPresenter::hostedChanged, noTray, &NoTrayNotice::setHosted);
    tray_->install();
    noTray->setHosted(tray_->hosted());
}

void AppShell::open() {
    // Asked for from a menu or another start, so a close a moment ago is no reason to wait.
    if (!popup_->isShowing()) {
        monitor_->setOpen(true);
        popup_->openAt(tray_ ? tray_->anchor() : item_->anchor());
    }
}

void AppShell::watchQuitSignals() {
    int descriptor = quitSignalsDescriptor();
    if (descriptor < 0) {
        return;
    }
    auto* quitSignals = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(quitSignals, &QSocketNotifier::activated, this, [descriptor] {
        drainQuitSignals(descriptor);
        QCoreApplication::quit();
    });
}

void AppShell::toggle() {
    if (popup_->isShowing()) {
        popup_->close();
        return;
    }
    if (popup_->justClosed()) {
        return;  // the click that closed it was on the item
    }
    monitor_->setOpen(true);
    popup_->openAt(tray_ ? tray_->anchor() : item_->anchor());
}

void AppShell::drawLabel() {
    MenuBarLabel label(LabelReadings::of(*monitor_, settings_, fahrenheit_));
    // Without an alert everything is in the tray's text colour; alerts bring their tints.
    if (tray_) {
        tray_->show(label);
    }
}

}  // namespace tv
