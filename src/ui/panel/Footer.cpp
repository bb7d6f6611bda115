#include "ui/panel/Footer.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "core/Format.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

namespace {

// A small symbol in the secondary colour.
class SymbolMark : public QWidget {
  public:
    SymbolMark(std::string name, QWidget* parent) : QWidget(parent), name_(std::move(name)) {
        setFixedSize(9, 12);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(PanelStyle::secondary(*this));
        p.drawPath(PanelSymbols::path(name_, QRectF(0, 1.5, 9, 9)));
    }

  private:
    std::string name_;
};

}  // namespace

Footer::Footer(const QString& systemMonitorName, bool hasSystemMonitor, QWidget* parent)
    : QWidget(parent),
      resize_(Spring{0.3, 0.85}),
      down_(PanelLook::label({}, PanelLook::numbers(11), false, this)),
      up_(PanelLook::label({}, PanelLook::numbers(11), false, this)),
      speedControl_(new QHBoxLayout()),
      speedLine_(new QVBoxLayout()),
      extras_(new QVBoxLayout()),
      settings_(new PillButton(QStringLiteral("Settings"), false, this)),
      systemMonitor_(new PillButton(systemMonitorName, false, this)),
      quit_(new PillButton(QStringLiteral("Quit TallyVane"), false, this)) {
    connect(&resize_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        shownHeight_ = std::max(0, static_cast<int>(std::lround(v.toDouble())));
        updateGeometry();
    });
    connect(&resize_, &QAbstractAnimation::finished, this, [this] {
        shownHeight_.reset();
        updateGeometry();
    });
    settings_->setSymbol(PanelSymbols::path("gearshape", QRectF(0, 0, 1, 1)));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* network = new QHBoxLayout();
    network->setSpacing(8);
    network->addWidget(new SectionTitle(QStringLiteral("Network"), this));
    for (auto [symbol, label] : {std::pair{"arrow.down", down_}, std::pair{"arrow.up", up_}}) {
        auto* rate = new QHBoxLayout();
        rate->setSpacing(3);
        rate->addWidget(new SymbolMark(symbol, this));
        rate->addWidget(label);
        network->addLayout(rate);
    }
    network->addStretch(1);
    speedControl_->setContentsMargins(0, 0, 0, 0);
    network->addLayout(speedControl_);
    column->addLayout(network);
    speedLine_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(speedLine_);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    buttons->addWidget(settings_);
    buttons->addStretch(1);
    buttons->addWidget(systemMonitor_);
    buttons->addWidget(quit_);
    column->addLayout(buttons);
    systemMonitor_->setVisible(hasSystemMonitor);
    extras_->setContentsMargins(0, 0, 0, 0);
    extras_->setSpacing(10);
    column->addLayout(extras_);

    for (PillButton* b : {settings_, systemMonitor_, quit_}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAccessibleName(b->text());
    }
    connect(settings_, &QAbstractButton::clicked, this, &Footer::settingsRequested);
    connect(systemMonitor_, &QAbstractButton::clicked, this, &Footer::systemMonitorRequested);
    connect(quit_, &QAbstractButton::clicked, this, &Footer::quitRequested);
    setRates(0, 0);
}

int Footer::naturalHeight() const {
    QLayout* column = layout();
    if (column->hasHeightForWidth() && width() > 0) {
        return column->totalHeightForWidth(width());
    }
    return column->totalSizeHint().height();
}

QSize Footer::sizeHint() const {
    QSize natural = QWidget::sizeHint();
    return shownHeight_ ? QSize(natural.width(), *shownHeight_) : natural;
}

QSize Footer::minimumSizeHint() const {
    QSize natural = QWidget::minimumSizeHint();
    return shownHeight_ ? QSize(natural.width(), std::min(natural.height(), *shownHeight_))
                        : natural;
}

int Footer::heightForWidth(int width) const {
    return shownHeight_ ? *shownHeight_ : QWidget::heightForWidth(width);
}

bool Footer::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        int natural = naturalHeight();
        if (isVisible() && settledHeight_ >= 0 && natural != settledHeight_) {
            // From the height drawn now, be it settled or on its way.
            int from = shownHeight_ ? *shownHeight_ : settledHeight_;
            shownHeight_ = from;
            resize_.retarget(double(from), double(natural));
        }
        settledHeight_ = natural;
    }
    return QWidget::event(event);
}

void Footer::hideEvent(QHideEvent* event) {
    // Shown again, it starts from what it then holds, not from what it held before.
    resize_.stop();
    shownHeight_.reset();
    settledHeight_ = -1;
    QWidget::hideEvent(event);
}

void Footer::setRates(double down, double up) {
    down_->setText(QString::fromStdString(Format::rate(down)));
    up_->setText(QString::fromStdString(Format::rate(up)));
    down_->setAccessibleName(QStringLiteral("Download ") + down_->text());
    up_->setAccessibleName(QStringLiteral("Upload ") + up_->text());
}

}  // namespace tv
