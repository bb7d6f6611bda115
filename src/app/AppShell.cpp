#include "app/AppShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>

#include "app/FocusOffer.h"
#include "app/LoginItemSetUp.h"
#include "app/NoTrayNotice.h"
#include "core/Format.h"
#include "feedback/Crashes.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "platform/QuitSignals.h"
#include "platform/StatusNotifier.h"
#include "platform/WindowPlacer.h"
#include "settings/SettingKeys.h"
#include "ui/controls/Motion.h"
#include "ui/feedback/CrashNotice.h"
#include "ui/feedback/ReviewAsk.h"
#include "ui/panel/Dashboard.h"
#include "ui/panel/Footer.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/SpeedTestControl.h"
#include "ui/panel/SpeedTestLine.h"

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
    popup_ = std::make_unique<Popup>();
    if (std::shared_ptr<WindowPlacer> placer = platform::windowPlacer()) {
        QString title = popup_->windowTitle();
        popup_->setDesktopPlacement(
            [placer, title](const QPoint& topLeft) {
                return placer->place(title.toStdString(), topLeft.x(), topLeft.y());
            },
            [placer] {
                std::optional<WindowPlacer::Area> area = placer->usableArea();
                return area ? QRect(area->x, area->y, area->width, area->height) : QRect();
            });
    }
    std::string ownSounds = Sounds::ownFolder();
    sounds_ = std::make_unique<Sounds>(settings_, platform::soundPlayer(), ownSounds);
    alertSound_ = platform::soundPlayer();
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
    setUpPanel();
    QTimer::singleShot(warmUpDelayMs, this, &AppShell::warmUpPanel);

    setUpNotifications();
    setUpFocusOffer();
    monitor_->setOnSample([this] {
        drawLabel();
        if (capture_) {
            capture_->recordFrame();
        }
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
        if (std::optional<QString> folder = Capture::folderIn(arguments_)) {
            capture_ = std::make_unique<Capture>(*this, *folder);
            capture_->start();
        }
    }
}

void AppShell::setUpPanel() {
    desktopApps_ = platform::desktopApps();
    icons_ = std::make_unique<AppIcons>(desktopApps_.get());
    appearance_ = platform::appearance();
    appearance_->onChange([this] {
        popup_->setDark(prefersDark());
        followMotion();
    });
    // Asked now without waiting for the answer, so that the first opening has it at hand
    // and the label is not delayed at start.
    appearance_->prefersDark();
    followMotion();
    // Which system monitor is installed is looked up off the click's path: at start and
    // again after each closing, for the next opening.
    findSystemMonitor();
    // The closed panel's views are gone by then: what they held goes back to the system, not
    // kept for the next opening, so the program stays small between openings.
    connect(popup_.get(), &Popup::closed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            findSystemMonitor();
            platform::returnFreedMemory();
        });
    });

    popup_->setContentFactory([this](QWidget* parent) -> QWidget* {
        Dashboard* dashboard = buildDashboard(parent, true);
        dashboard->setOpen(true);
        dashboard_ = dashboard;
        return dashboard;
    });
}

DashboardParts AppShell::dashboardParts(bool animateIn) {
    DashboardParts parts;
    parts.monitor = monitor_.get();
    parts.settings = &settings_;
    parts.icons = icons_.get();
    parts.play = [this](const char* name) { sounds_->play(name); };
    parts.clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    parts.fahrenheit = fahrenheit_;
    parts.animateIn = animateIn;
    parts.hasSystemMonitor = systemMonitor_.has_value();
    return parts;
}

void AppShell::warmUpPanel() {
    if (popup_->isShowing()) {
        return;
    }
    Dashboard dashboard(dashboardParts(false));
    dashboard.setPalette(PanelLook::palette(prefersDark()));
    dashboard.adjustSize();
    QImage image(dashboard.size(), QImage::Format_ARGB32_Premultiplied);
    dashboard.render(&image);
    // Past the start's reading of desktop files, icons and fonts, and this rehearsal.
    QTimer::singleShot(0, this, [] { platform::returnFreedMemory(); });
}

Dashboard* AppShell::buildDashboard(QWidget* parent, bool animateIn) {
    std::optional<std::string> systemMonitor = systemMonitor_;
    auto* dashboard = new Dashboard(dashboardParts(animateIn), parent);
    connect(dashboard, &Dashboard::quitRequested, this, [] { QCoreApplication::quit(); });
    connect(dashboard, &Dashboard::systemMonitorRequested, this, [this, systemMonitor] {
        if (systemMonitor && desktopApps_->launch(*systemMonitor)) {
            popup_->close();
        }
    });
    connect(dashboard, &Dashboard::settingsRequested, this,
            [this, dashboard] { showSettings(*dashboard); });
    fillFooter(*dashboard);
    return dashboard;
}

void AppShell::fillFooter(Dashboard& dashboard) {
    Footer& footer = dashboard.footer();
    SpeedTestRun& run = monitor_->speedTest();
    footer.speedControlSlot().addWidget(new SpeedTestControl(run, now, &footer));
    footer.speedLineSlot().addWidget(new SpeedTestLine(run, monitor_->words(), now, &footer));

    // Looked for afresh at each opening, as the dashboard is built for each.
    auto* crash = new CrashNotice(crashNoticeParts(), &footer);
    footer.extrasSlot().addWidget(crash);
    crash->appear();
    connect(crash, &CrashNotice::dismissed, crash, &QObject::deleteLater);

    auto* ask = new ReviewAsk(settings_, now, &footer);
    footer.extrasSlot().addWidget(ask);
    auto refreshAsk = [this, ask] { ask->refresh(monitor_->health()); };
    refreshAsk();
    for (auto changed : {&Monitor::sampledAtChanged, &Monitor::memoryChanged,
                         &Monitor::thermalStateChanged, &Monitor::heldChanged}) {
        connect(monitor_.get(), changed, ask, refreshAsk);
    }
    connect(ask, &ReviewAsk::rate, this, [this, &dashboard](int stars) {
        sounds_->play("Select");
        showReview(dashboard, stars);
    });
}

CrashNotice::Parts AppShell::crashNoticeParts() {
    if (!fileManager_) {
        fileManager_ = platform::fileManager();
    }
    return {settings_,
            *site_,
            monitor_->words(),
            fileManager_.get(),
            [](const QUrl& folder) { QDesktopServices::openUrl(folder); },
            now,
            Crashes::folder()};
}

void AppShell::showSettings(Dashboard& dashboard) {
    // Made inside the panel so that its colours come from the panel's look.
    auto* page = new SettingsPage(settingsPageParts(), &dashboard);
    connect(page, &SettingsPage::back, &dashboard, &Dashboard::closePage);
    dashboard.showPage(page);
    // Escape reaches the page, which leads back, rather than the panel, which would close.
    page->setFocus();
}

void AppShell::showReview(Dashboard& dashboard, int stars) {
    auto* page = new ReviewPage(reviewPageParts(), stars, &dashboard);
    connect(page, &ReviewPage::back, &dashboard, [this, &dashboard] {
        dashboard.closePage();
        // A sent review ends the request.
        for (ReviewAsk* ask : dashboard.footer().findChildren<ReviewAsk*>()) {
            ask->refresh(monitor_->health());
        }
    });
    dashboard.showPage(page);
    page->setFocus();
}

void AppShell::openSettings() {
    open();
    if (dashboard_ && !qobject_cast<SettingsPage*>(dashboard_->page())) {
        showSettings(*dashboard_);
    }
}

void AppShell::findSystemMonitor() {
    systemMonitor_ = desktopApps_->systemMonitor();
}

void AppShell::followMotion() {
    // A desktop that does not say lets things move.
    Motion::setReduced(appearance_ && appearance_->reducesMotion().value_or(false));
}

bool AppShell::prefersDark() {
    if (auto dark = appearance_ ? appearance_->prefersDark() : std::nullopt) {
        return *dark;
    }
    return PanelLook::isDark(QApplication::palette());
}

void AppShell::setUpLoginItem() {
    std::string program = QCoreApplication::applicationFilePath().toStdString();
    if (settings_.flag(SettingKeys::loginItemSetUp)) {
        // An entry left pointing at a program that was moved or uninstalled follows this one.
        loginItem_->follow(program);
        return;
    }
    // Only once the flag is really stored; a failure is not retried (the settings page can
    // switch it later).
    setUpLoginItemOnce(settings_, *loginItem_, program);
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
        *monitor_,         notifier_.get(),
        *loginItem_,       QCoreApplication::applicationFilePath().toStdString(),
        *updates_,         std::move(openNotificationSettings),
        reviewPageParts(), focusConsent_.get()};
}

void AppShell::setUpFocusOffer() {
    focusExtension_ = platform::focusExtension();
    if (!focusExtension_) {
        return;
    }
    focusConsent_ = std::make_unique<FocusConsent>(settings_, *focusExtension_);
    new FocusOffer(*focusConsent_, QDBusConnection::sessionBus(), FocusOffer::delayMs, this);
}

void AppShell::setUpNotifications() {
    QString folder = runtimeFolder();
    notifier_ = std::make_unique<Notifier>(
        Notifier::Parts{QDBusConnection::sessionBus(),
                        [this](const std::string& path) { return monitor_->isRunning(path); },
                        [this] { return settings_.isOn(SettingKeys::sounds); },
                        [this] { alertSound_->playThemed(alertSoundName); }, 5000,
                        folder.isEmpty() ? QString() : folder + QStringLiteral("/notice-makeway")});
    notifier_->setUp();
    notifier_->removeLeftover();
    // Our alerts leave with us, after the Monitor has let every held app go (it was
    // connected first). Bounded: a hung server must not keep the program from ending.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, notifier_.get(),
            [this] { notifier_->withdrawAll(withdrawAtQuitMs); });
    updateNotice_ = new UpdateNotice(
        settings_, *updates_, *notifier_, [](const QUrl& page) { QDesktopServices::openUrl(page); },
        this);
    connect(notifier_.get(), &Notifier::responded, this,
            [this](const NotificationResponse& response) {
                if (!updateNotice_->respond(response)) {
                    monitor_->respond(response);
                }
            });
    monitor_->setNotices(notifier_.get());
}

// The item goes where this desktop shows tray items; without a tray the program keeps
// working and says so once.
void AppShell::setUpTray() {
    tray_ = std::make_unique<TrayPresenter>(
        TrayPresenter::Parts{*item_, platform::trayEmbedder(), platform::statusNotifier()});
    connect(tray_.get(), &TrayPresenter::clicked, this, &AppShell::toggle);
    connect(tray_.get(), &TrayPresenter::openRequested, this, &AppShell::open);
    connect(tray_.get(), &TrayPresenter::settingsRequested, this, &AppShell::openSettings);
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
        popup_->setDark(prefersDark());
        followMotion();
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
    popup_->setDark(prefersDark());
    followMotion();
    popup_->openAt(tray_ ? tray_->anchor() : item_->anchor());
}

MenuBarLabel AppShell::label() const {
    return MenuBarLabel(LabelReadings::of(*monitor_, settings_, fahrenheit_));
}

void AppShell::drawLabel() {
    // Without an alert everything is in the tray's text colour; alerts bring their tints.
    if (tray_) {
        tray_->show(label());
    }
}

}  // namespace tv
