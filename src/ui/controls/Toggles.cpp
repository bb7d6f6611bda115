#include "ui/controls/Toggles.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "ui/controls/PanelStyle.h"

namespace tv {

Switch::Switch(std::function<void(const char*)> play, QWidget* parent)
    : QAbstractButton(parent), play_(std::move(play)), slide_(Spring{0.22, 0.85}) {
    setCheckable(true);
    setFixedSize(26, 15);
    connect(&slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        knob_ = v.toDouble();
        update();
    });
}

void Switch::checkStateSet() {
    double target = isChecked() ? 1.0 : 0.0;
    if (!isVisible()) {
        // Set before it is shown (a page being built, a still being taken): it starts where
        // it is, rather than sliding there as the page opens.
        slide_.stop();
        knob_ = target;
        update();
        return;
    }
    slide_.retarget(knob_, target);
}

void Switch::nextCheckState() {
    QAbstractButton::nextCheckState();
    if (play_) {
        play_("Switch");
    }
    checkStateSet();
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? PanelStyle::accent(*this) : PanelStyle::primary(*this, 0.12));
    p.drawRoundedRect(QRectF(rect()), 7.5, 7.5);
    double d = height() - 4;
    double x = 2 + knob_ * (width() - 4 - d);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QRectF(x, 2.6, d, d));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, 2, d, d));
}

namespace {

// One option of a Segmented row as a button: the row draws it, and a press of the pointer
// goes on to the row, which chooses on press.
class SegmentButton : public QAbstractButton {
  public:
    using QAbstractButton::QAbstractButton;

  protected:
    void paintEvent(QPaintEvent*) override {}
    void mousePressEvent(QMouseEvent* event) override { event->ignore(); }
};

}  // namespace

Segmented::Segmented(QStringList options, std::function<void(const char*)> play, QWidget* parent)
    : QWidget(parent),
      options_(std::move(options)),
      play_(std::move(play)),
      slide_(Spring{0.3, 0.85}) {
    setFixedHeight(20);
    for (int i = 0; i < options_.size(); ++i) {
        auto* button = new SegmentButton(this);
        button->setText(options_[i]);
        button->setAccessibleName(options_[i]);
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setChecked(i == selected_);
        button->setFocusPolicy(Qt::NoFocus);
        // Checked by a click or by a screen reader's toggle action.
        connect(button, &QAbstractButton::toggled, this, [this, i](bool checked) {
            if (checked) {
                setSelected(i);
            }
        });
        buttons_.push_back(button);
    }
    connect(&slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        thumb_ = v.toDouble();
        update();
    });
}

QSize Segmented::sizeHint() const {
    return {static_cast<int>(options_.size()) * 56, 20};
}

QRectF Segmented::optionRect(int index) const {
    double w = options_.isEmpty() ? width() : double(width()) / options_.size();
    return {index * w, 0, w, double(height())};
}

void Segmented::setSelected(int index) {
    if (index < 0 || index >= options_.size() || index == selected_) {
        return;
    }
    selected_ = index;
    buttons_[static_cast<std::size_t>(index)]->setChecked(true);
    slide_.retarget(thumb_, double(index));
    if (play_) {
        play_("Select");
    }
    emit selectedChanged(index);
}

void Segmented::mousePressEvent(QMouseEvent* event) {
    for (int i = 0; i < options_.size(); ++i) {
        if (optionRect(i).contains(event->position())) {
            setSelected(i);
        }
    }
}

void Segmented::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setGeometry(optionRect(static_cast<int>(i)).toAlignedRect());
    }
}

void Segmented::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(PanelStyle::primary(*this, 0.06));
    p.drawRoundedRect(QRectF(rect()), 10, 10);
    QRectF thumb =
        optionRect(0).translated(thumb_ * optionRect(0).width(), 0).adjusted(2, 2, -2, -2);
    p.setBrush(PanelStyle::primary(*this, 0.14));
    p.drawRoundedRect(thumb, 8, 8);
    for (int i = 0; i < options_.size(); ++i) {
        p.setFont(PanelStyle::font(i == selected_ ? 11 : 10,
                                   i == selected_ ? QFont::DemiBold : QFont::Medium));
        p.setPen(i == selected_ ? PanelStyle::primary(*this) : PanelStyle::secondary(*this));
        p.drawText(optionRect(i), Qt::AlignCenter, options_[i]);
    }
}

Spinner::Spinner(QColor color, QWidget* parent) : Spinner(parent) {
    color_ = std::move(color);
}

Spinner::Spinner(QWidget* parent) : QWidget(parent) {
    turn_.setStartValue(0.0);
    turn_.setEndValue(360.0);
    turn_.setDuration(900);
    turn_.setLoopCount(-1);
    connect(&turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        angle_ = v.toDouble();
        update();
    });
}

void Spinner::setTurning(bool turning) {
    wanted_ = turning;
    follow();
}

bool Spinner::turning() const {
    return turn_.state() == QAbstractAnimation::Running;
}

void Spinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    follow();
}

void Spinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    follow();
}

void Spinner::follow() {
    bool run = wanted_ && isVisible();
    if (run && !turning()) {
        turn_.start();
    } else if (!run) {
        turn_.stop();
    }
}

QColor Spinner::color() const {
    // Read from the palette at each paint, so a change of look needs no bookkeeping.
    return color_ ? *color_ : PanelStyle::secondary(*this);
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color(), 1.5, Qt::SolidLine, Qt::RoundCap));
    QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    int start = static_cast<int>(-angle_ * 16);
    p.drawArc(box, start, static_cast<int>(360 * 0.72 * 16));
}

}  // namespace tv
