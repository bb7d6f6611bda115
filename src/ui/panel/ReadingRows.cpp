#include "ui/panel/ReadingRows.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/panel/PanelLook.h"
#include "ui/panel/ReadingRow.h"

namespace tv {

ReadingRows::ReadingRows(std::array<QWidget*, PanelCase::count> details, Panel chosen,
                         std::function<void(const char*)> play, QWidget* parent)
    : QWidget(parent), chosen_(chosen), play_(std::move(play)), slide_(Spring{0.4, 0.8}) {
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Readings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    for (int i = 0; i < PanelCase::count; ++i) {
        auto panel = static_cast<Panel>(i);
        rows_[i] = new ReadingRow(panel, details[i], this);
        rows_[i]->setExpanded(panel == chosen_);
        column->addWidget(rows_[i]);
        connect(rows_[i], &ReadingRow::chosen, this, [this](Panel p) {
            setFocus(Qt::MouseFocusReason);
            choose(p);
        });
    }
    slide_.setStartValue(0.0);
    connect(&slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        double t = v.toDouble();
        QRectF to = targetRim();
        rim_ = QRectF(rimFrom_.topLeft() + (to.topLeft() - rimFrom_.topLeft()) * t,
                      rimFrom_.size() + (to.size() - rimFrom_.size()) * t);
        update();
    });
}

QRectF ReadingRows::targetRim() const {
    return QRectF(rows_[static_cast<std::size_t>(chosen_)]->geometry());
}

void ReadingRows::choose(Panel panel) {
    if (panel == chosen_) {
        return;
    }
    rimFrom_ = rim_.isNull() ? targetRim() : rim_;
    chosen_ = panel;
    for (ReadingRow* row : rows_) {
        row->setExpanded(row->panel() == panel);
    }
    if (play_) {
        play_("Select");
    }
    emit chosenChanged(panel);
    if (isVisible()) {
        slide_.retarget(0.0, 1.0);
    }
}

bool ReadingRows::event(QEvent* event) {
    bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize ||
        event->type() == QEvent::Show) {
        if (slide_.state() != QAbstractAnimation::Running) {
            rim_ = QRectF();
            update();
        }
    }
    return handled;
}

void ReadingRows::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
        choose(PanelCase::moved(chosen_, event->key() == Qt::Key_Down ? 1 : -1));
        return;
    }
    QWidget::keyPressEvent(event);
}

void ReadingRows::paintEvent(QPaintEvent*) {
    QRectF box =
        slide_.state() == QAbstractAnimation::Running && !rim_.isNull() ? rim_ : targetRim();
    QColor hue = PanelLook::hue(chosen_);
    // Room around the box for the shadow under it.
    constexpr int margin = 4;
    if (box.size() != highlightSize_ || hue != highlightHue_ || highlight_.isNull()) {
        highlightSize_ = box.size();
        highlightHue_ = hue;
        qreal ratio = devicePixelRatioF();
        QSize size = (box.size() + QSizeF(2 * margin, 2 * margin + 2)).toSize();
        highlight_ = QPixmap(size * ratio);
        highlight_.setDevicePixelRatio(ratio);
        highlight_.fill(Qt::transparent);
        QPainter p(&highlight_);
        p.setRenderHint(QPainter::Antialiasing);
        QRectF at(margin, margin, box.width(), box.height());
        // A soft shadow of the hue under the highlight.
        p.setPen(Qt::NoPen);
        for (int i = 3; i >= 1; --i) {
            p.setBrush(PanelLook::withAlpha(hue, 0.35 / 8));
            p.drawRoundedRect(at.adjusted(-i, -i + 2, i, i + 2), 12 + i, 12 + i);
        }
        QLinearGradient fill(at.topLeft(), at.bottomLeft());
        fill.setColorAt(0, PanelLook::withAlpha(hue, 0.20));
        fill.setColorAt(1, PanelLook::withAlpha(hue, 0.03));
        p.setBrush(fill);
        p.setPen(QPen(PanelLook::withAlpha(hue, 0.12), 1));
        p.drawRoundedRect(at.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    }
    // The window behind the rows is opaque; the highlight is drawn over it.
    QPainter p(this);
    p.drawPixmap(box.topLeft() - QPointF(margin, margin), highlight_);
}

}  // namespace tv
