#include "app/Capture.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/AppShell.h"
#include "app/Backdrop.h"
#include "app/CaptureFiles.h"
#include "app/CaptureViews.h"
#include "app/LabelFrame.h"
#include "app/ViewStill.h"
#include "settings/SettingKeys.h"
#include "ui/MenuBarLabel.h"
#include "ui/panel/PanelLook.h"

namespace tv {

std::optional<QString> Capture::folderIn(const QStringList& arguments) {
    int open = arguments.indexOf(QStringLiteral("--open"));
    if (open < 0 || open + 1 >= arguments.size() ||
        arguments[open + 1].startsWith(QLatin1Char('-'))) {
        return std::nullopt;
    }
    return arguments[open + 1];
}

Capture::Capture(AppShell& shell, QString folder, QObject* parent)
    : QObject(parent), shell_(shell), folder_(std::move(folder)) {}

Capture::~Capture() {
    delete backdrop_;
}

void Capture::start() {
    QTimer::singleShot(stillsAtMs, this, &Capture::takeStills);
}

void Capture::takeStills() {
    // Failed writes are skipped: a missing folder simply gets nothing.
    CaptureFiles::putPng(folder_, QStringLiteral("menubar.png"),
                         LabelFrame::render(shell_.label(), shell_.statusItem().textColor()));
    bool dark = PanelLook::isDark(shell_.popup().palette());
    for (CaptureViews::Still& still : CaptureViews::build(shell_, dark)) {
        CaptureFiles::putPng(folder_, still.file, ViewStill::render(*still.view, dark));
    }
    int seconds = shell_.settings().integer(SettingKeys::recordSeconds);
    if (seconds < 1) {
        closePanel();
        return;
    }
    QTimer::singleShot(recordAfterMs, this, [this, seconds] { record(seconds); });
}

void Capture::record(int seconds) {
    Popup& panel = shell_.popup();
    QWidget* content = panel.content();
    if (!content || !panel.isShowing()) {
        return;
    }
    delete backdrop_;
    backdrop_ = new Backdrop(PanelLook::isDark(panel.palette()));
    backdrop_->showBelow(panel);
    QScreen* primary = QGuiApplication::primaryScreen();
    // The part of the content in view: a panel taller than the room it has scrolls its content.
    QRect shown = QRect(content->mapToGlobal(QPoint(0, 0)), content->size())
                      .intersected(QRect(panel.mapToGlobal(QPoint(0, 0)), panel.size()));
    CaptureFiles::writeScreen(folder_, shown, primary ? primary->geometry() : QRect());
    recording_ = true;
    QTimer::singleShot(seconds * 1000, this, &Capture::finishRecording);
}

void Capture::recordFrame() {
    if (!recording_) {
        return;
    }
    readings_.push_back(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    CaptureFiles::putPng(folder_, CaptureFiles::frameName(static_cast<int>(readings_.size())),
                         LabelFrame::render(shell_.label(), shell_.statusItem().textColor()));
}

void Capture::finishRecording() {
    recording_ = false;
    if (backdrop_) {
        backdrop_->close();
    }
    CaptureFiles::writeTimes(folder_, readings_);
    closePanel();
}

void Capture::closePanel() {
    // Only a panel still showing: the user may have closed it already.
    if (shell_.popup().isShowing()) {
        shell_.popup().close();
    }
}

}  // namespace tv
