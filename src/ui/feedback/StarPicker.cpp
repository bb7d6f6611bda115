#include "ui/feedback/StarPicker.h"

#include <QHBoxLayout>
#include <QPainter>

#include "ui/PageSymbols.h"
#include "ui/controls/PanelStyle.h"

namespace tv {

// One star of a picker.
class StarButton : public QAbstractButton {
  public:
    StarButton(StarPicker& picker, int number, double size)
        : QAbstractButton(&picker), picker_(picker), number_(number), size_(size) {
        setFixedSize(static_cast<int>(std::ceil(size + 4)), static_cast<int>(std::ceil(size + 4)));
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(number == 1 ? QStringLiteral("1 star")
                                      : QStringLiteral("%1 stars").arg(number));
        connect(this, &QAbstractButton::clicked, &picker, [this] { emit picker_.picked(number_); });
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        bool filled = number_ <= picker_.shown();
        p.setBrush(filled ? StarPicker::gold() : PanelStyle::primary(*this, 0.22));
        QRectF box(0, 0, size_, size_);
        box.moveCenter(QRectF(rect()).center());
        p.drawPath(PageSymbols::path(filled ? "star.fill" : "star", box));
    }
    void enterEvent(QEnterEvent* event) override {
        picker_.point(number_, true);
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        picker_.point(number_, false);
        QAbstractButton::leaveEvent(event);
    }

  private:
    StarPicker& picker_;
    int number_;
    double size_;
};

StarPicker::StarPicker(double size, QWidget* parent) : QWidget(parent), size_(size) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int n = 1; n <= 5; ++n) {
        auto* button = new StarButton(*this, n, size_);
        buttons_[static_cast<std::size_t>(n - 1)] = button;
        row->addWidget(button);
    }
    setAccessibleName(QStringLiteral("Rating"));
    refresh();
}

void StarPicker::setStars(int stars) {
    stars_ = std::clamp(stars, 0, 5);
    refresh();
}

void StarPicker::point(int n, bool on) {
    if (on) {
        pointed_ = n;
    } else if (pointed_ == n) {
        pointed_.reset();
    }
    refresh();
}

void StarPicker::refresh() {
    setAccessibleDescription(QStringLiteral("%1 of 5 stars").arg(stars_));
    for (QAbstractButton* button : buttons_) {
        button->update();
    }
}

}  // namespace tv
