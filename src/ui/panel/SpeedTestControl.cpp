#include "ui/panel/SpeedTestControl.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>

#include <algorithm>
#include <cmath>

#include "speedtest/SpeedTestRun.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"

namespace tv {

SpeedTestControl::SpeedTestControl(SpeedTestRun& run, std::function<Date()> clock, QWidget* parent)
    : QWidget(parent),
      run_(run),
      clock_(std::move(clock)),
      spinner_(new Spinner(this)),
      testing_(new QLabel(this)),
      button_(new PillButton(QString(), false, this)) {
    setFixedHeight(22);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(spinner_, 0, Qt::AlignVCenter);
    row->addWidget(testing_, 0, Qt::AlignVCenter);
    row->addWidget(button_, 0, Qt::AlignVCenter);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(11);
    testing_->setFont(mono);
    followLook();

    connect(button_, &QAbstractButton::clicked, this, [this] { run_.run(); });
    connect(&run_, &SpeedTestRun::startedChanged, this, &SpeedTestControl::refresh);
    connect(&run_, &SpeedTestRun::resultChanged, this, &SpeedTestControl::refresh);
    // A quarter-second beat shows each new whole second promptly.
    ticker_.setInterval(250);
    connect(&ticker_, &QTimer::timeout, this, &SpeedTestControl::refresh);
    refresh();
}

void SpeedTestControl::followLook() {
    QPalette secondary = testing_->palette();
    secondary.setColor(QPalette::WindowText, PanelStyle::secondary(*this));
    testing_->setPalette(secondary);
}

void SpeedTestControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The panel switched between light and dark.
    if (event->type() == QEvent::PaletteChange) {
        followLook();
    }
}

QString SpeedTestControl::text() const {
    return run_.started() ? testing_->text() : button_->text();
}

void SpeedTestControl::refresh() {
    bool running = run_.started().has_value();
    spinner_->setVisible(running);
    spinner_->setTurning(running);
    testing_->setVisible(running);
    button_->setVisible(!running);
    if (running) {
        double seconds = std::max(0.0, secondsBetween(*run_.started(), clock_()));
        testing_->setText(QStringLiteral("Testing %1s").arg(static_cast<long long>(seconds)));
        if (!ticker_.isActive()) {
            ticker_.start();
        }
    } else {
        ticker_.stop();
        button_->setText(run_.result() ? QStringLiteral("Test again")
                                       : QStringLiteral("Test speed"));
        button_->updateGeometry();
    }
}

}  // namespace tv
