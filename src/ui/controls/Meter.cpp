#include "ui/controls/Meter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "ui/controls/PanelStyle.h"

namespace tv {

namespace {

// Whether values on their way have moved far enough from those last drawn to be worth a frame:
// half a point at `scale` points per unit, or settled (the end is always drawn).
bool worthDrawing(const SpringValues& values, const std::vector<double>& painted, double scale) {
    const std::vector<double>& shown = values.shown();
    if (values.settled() || shown.size() != painted.size()) {
        return true;
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (std::abs(shown[i] - painted[i]) * scale >= 0.5) {
            return true;
        }
    }
    return false;
}

}  // namespace

Meter::Meter(QColor color, QWidget* parent)
    : QWidget(parent), color_(std::move(color)), value_(Spring{0.45, 1}, *this) {
    setFixedHeight(6);
    // From an empty track: the first value sweeps in as the panel shows.
    value_.setTargets({0}, false);
    connect(&value_, &SpringValues::changed, this, [this] {
        if (worthDrawing(value_, painted_, std::max(width(), 1))) {
            update();
        }
    });
}

double Meter::shown() const {
    return value_.shown().empty() ? 0 : value_.shown().front();
}

double Meter::fillWidth(double value, double width) {
    return std::max(std::clamp(value, 0.0, 1.0) * width, 4.0);
}

void Meter::setValue(double value) {
    // Before it is laid out its width says nothing: then every change moves. Off screen only
    // the first value moves (it sweeps in as the panel shows); later ones land at once.
    double pointsPerUnit = width() > 10 ? width() : 0;
    bool first = !swept_;
    swept_ = true;
    value_.setTargets({std::clamp(value, 0.0, 1.0)}, first || isVisible(), pointsPerUnit);
}

void Meter::setEmpty(bool empty) {
    if (empty != empty_) {
        empty_ = empty;
        update();
    }
}

void Meter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(PanelStyle::primary(*this, 0.08));
    p.drawRoundedRect(QRectF(rect()), 3, 3);
    if (empty_) {
        return;
    }
    painted_ = value_.shown();
    p.setBrush(color_);
    p.drawRoundedRect(QRectF(0, 0, fillWidth(shown(), width()), height()), 3, 3);
}

CoreBars::CoreBars(QString title, QColor color, QWidget* parent)
    : QWidget(parent),
      title_(std::move(title)),
      color_(std::move(color)),
      values_(Spring{0.45, 1}, *this) {
    connect(&values_, &SpringValues::changed, this, [this] {
        if (worthDrawing(values_, painted_, 30)) {
            update();
        }
    });
}

double CoreBars::barHeight(double value) {
    return std::max(std::clamp(value, 0.0, 1.0) * 30, 2.0);
}

QString CoreBars::accessibleText(const QString& title, const std::vector<double>& values) {
    QStringList percents;
    for (double v : values) {
        percents << QString::number(std::lround(v * 100)) + QLatin1Char('%');
    }
    return title + QLatin1Char(' ') + percents.join(QStringLiteral(", "));
}

void CoreBars::setValues(const std::vector<double>& values) {
    bool counted = values.size() != values_.targets().size();
    values_.setTargets(values, isVisible(), 30);
    setAccessibleName(accessibleText(title_, values));
    if (counted) {
        updateGeometry();
    }
}

QSize CoreBars::sizeHint() const {
    // Wide enough for its bars and for its whole title under them.
    int n = static_cast<int>(values_.targets().size());
    int title = QFontMetrics(PanelStyle::font(10)).horizontalAdvance(title_);
    return {std::max({n * 12 - 3, 40, title}), 30 + 16};
}

QSize CoreBars::minimumSizeHint() const {
    // Many cores narrow their bars, down to 3 points with 1 point between, before the title.
    int n = static_cast<int>(values_.targets().size());
    int title = QFontMetrics(PanelStyle::font(10)).horizontalAdvance(title_);
    return {std::max({n * 4 - 1, title, 1}), 30 + 16};
}

CoreBars::Bars CoreBars::barsFor(int count, double width) {
    if (count <= 0 || count * 12 - 3 <= width) {
        return {9, 3};
    }
    double step = (width + 1) / count;
    double gap = std::clamp(step / 4, 1.0, 3.0);
    return {std::max(step - gap, 1.0), gap};
}

void CoreBars::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const std::vector<double>& shown = values_.shown();
    painted_ = shown;
    Bars bars = barsFor(static_cast<int>(shown.size()), width());
    double radius = std::min(2.0, bars.width / 2);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        QRectF track(static_cast<double>(i) * (bars.width + bars.gap), 0, bars.width, 30);
        p.setBrush(PanelStyle::primary(*this, 0.07));
        p.drawRoundedRect(track, radius, radius);
        double h = barHeight(shown[i]);
        p.setBrush(color_);
        p.drawRoundedRect(QRectF(track.left(), 30 - h, bars.width, h), radius, radius);
    }
    p.setPen(PanelStyle::secondary(*this));
    p.setFont(PanelStyle::font(10));
    p.drawText(QRectF(0, 32, width(), 14), Qt::AlignLeft | Qt::AlignVCenter, title_);
}

SegmentBar::SegmentBar(QWidget* parent) : QWidget(parent), fractions_(Spring{0.45, 1}, *this) {
    setFixedHeight(8);
    connect(&fractions_, &SpringValues::changed, this, [this] {
        if (worthDrawing(fractions_, painted_, std::max(width(), 1))) {
            update();
        }
    });
}

void SegmentBar::setParts(std::vector<Part> parts) {
    std::vector<QColor> colors;
    std::vector<double> fractions;
    for (const Part& part : parts) {
        colors.push_back(part.color);
        fractions.push_back(std::clamp(part.fraction, 0.0, 1.0));
    }
    if (colors != colors_) {
        colors_ = std::move(colors);
        update();
    }
    fractions_.setTargets(std::move(fractions), isVisible(), std::max(width(), 1));
}

void SegmentBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 3, 3);
    p.fillPath(track, PanelStyle::primary(*this, 0.07));
    p.setClipPath(track);
    const std::vector<double>& fractions = fractions_.shown();
    painted_ = fractions;
    double x = 0;
    for (std::size_t i = 0; i < fractions.size() && i < colors_.size(); ++i) {
        double w = std::max(fractions[i], 0.0) * width();
        p.fillRect(QRectF(x, 0, w, height()), colors_[i]);
        x += w;
    }
}

}  // namespace tv
