#include "ui/panel/HeldList.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/AppList.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/Fade.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/AppIcon.h"
#include "ui/panel/MiddleLabel.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

namespace {

// "Paused" with the pause symbol in orange, or "Slowed" with the tortoise in the secondary
// colour, on a capsule of that colour.
class HoldTag : public QWidget {
  public:
    HoldTag(Hold hold, QWidget* parent) : QWidget(parent), hold_(hold) {
        QFontMetrics m(PanelStyle::font(10, QFont::DemiBold));
        setFixedSize(m.horizontalAdvance(text()) + 12 + 12, 16);
        setAccessibleName(text());
    }
    QString text() const { return QString::fromStdString(HeldTexts::tag(hold_)); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QColor color =
            hold_ == Hold::paused ? PanelLook::tint(Tint::orange) : PanelStyle::secondary(*this);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(PanelLook::withAlpha(color, 0.15));
        p.drawRoundedRect(QRectF(rect()), 8, 8);
        p.setBrush(color);
        const char* symbol = hold_ == Hold::paused ? "pause.fill" : "tortoise.fill";
        p.drawPath(PanelSymbols::path(symbol, QRectF(6, 4, 8, 8)));
        p.setPen(color);
        p.setFont(PanelStyle::font(10, QFont::DemiBold));
        p.drawText(QRectF(17, 0, width() - 20, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }

  private:
    Hold hold_;
};

constexpr int rowHeight = 26;
// The list shows this many rows and scrolls past them.
constexpr int shownRows = 5;
// How far a row that comes or goes moves as it fades.
constexpr double shift = rowHeight / 2.0;

double along(double from, double to, double progress) {
    return from + (to - from) * progress;
}

}  // namespace

HeldList::HeldList(AppIcons& icons, QWidget* parent)
    : QWidget(parent),
      icons_(icons),
      resumeAll_(new PillButton(QStringLiteral("Resume all"), false, this)),
      scroll_(new QScrollArea(this)),
      list_(new QWidget),
      change_(Spring{0.35, 0.85}) {
    setAccessibleName(QStringLiteral("Held back for you"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* header = new QHBoxLayout();
    header->addWidget(new SectionTitle(QStringLiteral("Held back for you"), this));
    header->addStretch(1);
    header->addWidget(resumeAll_);
    column->addLayout(header);
    // Scrolled by the wheel or the keyboard, without scroll bars.
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setFixedHeight(0);
    scroll_->viewport()->installEventFilter(this);
    list_->setFixedHeight(0);
    scroll_->setWidget(list_);
    list_->setAutoFillBackground(false);
    column->addWidget(scroll_);
    auto* caption = PanelLook::label(
        QStringLiteral("So the app you're using stays quick. That one is never held back."),
        PanelStyle::font(10), true, this);
    caption->setWordWrap(true);
    column->addWidget(caption);
    connect(resumeAll_, &QAbstractButton::clicked, this, &HeldList::resumeAll);
    resumeAll_->hide();
    change_.setStartValue(0.0);
    change_.setEndValue(1.0);
    connect(&change_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { step(v.toDouble()); });
    connect(&change_, &QVariantAnimation::finished, this, &HeldList::settle);
}

QWidget* HeldList::makeRow(const Held& h) {
    auto* row = new QWidget(list_);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(8, 0, 8, 0);
    line->setSpacing(8);
    auto* icon = new AppIcon(icons_, 16, row);
    icon->setPath(h.app.appPath);
    line->addWidget(icon);
    QString name = QString::fromStdString(h.app.name);
    auto* label = new MiddleLabel(PanelStyle::font(13), row);
    label->setFull(name);
    line->addWidget(label, 1);
    auto* tag = new HoldTag(h.hold, row);
    QString whatWasDone = QString::fromStdString(HeldTexts::tagTooltip(h));
    tag->setToolTip(whatWasDone);
    tag->setAccessibleDescription(whatWasDone);
    line->addWidget(tag);
    auto* resume = new PillButton(QStringLiteral("Resume"), false, row);
    resume->setToolTip(QString::fromStdString(HeldTexts::resumeTooltip(h)));
    resume->setAccessibleName(QStringLiteral("Resume ") + name);
    resume->setAccessibleDescription(resume->toolTip());
    line->addWidget(resume);
    std::string id = h.app.id;
    connect(resume, &QAbstractButton::clicked, this, [this, id] { emit this->resume(id); });
    row->setAccessibleName(name + QStringLiteral(", ") +
                           QString::fromStdString(HeldTexts::tag(h.hold)));
    row->setGeometry(0, 0, list_->width(), rowHeight);
    row->show();
    return row;
}

void HeldList::setHeld(const std::vector<Held>& held) {
    if (held == held_) {
        return;
    }
    std::vector<Held> before = std::move(held_);
    held_ = held;
    // Every row starts from where it is now, also in the middle of an earlier change.
    for (Row& row : rows_) {
        row.fromY = along(row.fromY, row.toY, progress_);
        row.fromOpacity = std::clamp(along(row.fromOpacity, row.toOpacity, progress_), 0.0, 1.0);
    }
    fromHeight_ = std::max(along(fromHeight_, toHeight_, progress_), 0.0);

    std::vector<Row> next;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        const Held& h = held_[i];
        double y = static_cast<double>(i) * rowHeight;
        auto same = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const Row& r) { return r.id == h.app.id && r.view; });
        Row row;
        if (same != rows_.end()) {
            row = *same;
            rows_.erase(same);
            auto was = std::find_if(before.begin(), before.end(),
                                    [&](const Held& b) { return b.app.id == h.app.id; });
            // Its tag or name changed (slowed, then paused): the row is drawn anew in place.
            if (row.leaving || was == before.end() || !(*was == h)) {
                QPointer<QWidget> old = row.view;
                row.view = makeRow(h);
                old->hide();
                old->deleteLater();
            }
        } else {
            row.id = h.app.id;
            row.view = makeRow(h);
            row.fromY = y - shift;
            row.fromOpacity = 0;
        }
        row.toY = y;
        row.toOpacity = 1;
        row.leaving = false;
        row.view->setEnabled(true);
        // The accessible order and the order of Tab follow the list's.
        row.view->raise();
        next.push_back(std::move(row));
    }
    for (Row& row : rows_) {
        if (!row.view) {
            continue;
        }
        if (!row.leaving) {
            row.leaving = true;
            row.toY = row.fromY - shift;
            row.toOpacity = 0;
            // It can no longer be pressed while it fades.
            row.view->setEnabled(false);
        }
        next.push_back(std::move(row));
    }
    rows_ = std::move(next);
    toHeight_ = static_cast<double>(held_.size()) * rowHeight;
    resumeAll_->setVisible(HeldTexts::offersResumeAll(held_.size()));
    if (isVisible()) {
        change_.stop();
        change_.start();
        step(0);
    } else {
        change_.stop();
        settle();
    }
}

void HeldList::step(double progress) {
    progress_ = progress;
    int height =
        static_cast<int>(std::lround(std::max(along(fromHeight_, toHeight_, progress), 0.0)));
    list_->setFixedSize(scroll_->viewport()->width(), height);
    scroll_->setFixedHeight(std::min(height, shownRows * rowHeight));
    for (Row& row : rows_) {
        if (!row.view) {
            continue;
        }
        row.view->setGeometry(0, static_cast<int>(std::lround(along(row.fromY, row.toY, progress))),
                              list_->width(), rowHeight);
        setFade(*row.view, std::clamp(along(row.fromOpacity, row.toOpacity, progress), 0.0, 1.0));
    }
}

void HeldList::settle() {
    std::vector<Row> staying;
    for (Row& row : rows_) {
        if (!row.view) {
            continue;
        }
        if (row.leaving) {
            // Gone from view and from the accessible tree now; deleted once whatever
            // pressed it has returned.
            row.view->hide();
            row.view->deleteLater();
            continue;
        }
        row.fromY = row.toY;
        row.fromOpacity = row.toOpacity = 1;
        staying.push_back(std::move(row));
    }
    rows_ = std::move(staying);
    fromHeight_ = toHeight_;
    step(1);
}

bool HeldList::animating() const {
    return change_.state() == QAbstractAnimation::Running;
}

bool HeldList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize) {
        step(progress_);
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<PillButton*> HeldList::resumeButtons() const {
    std::vector<PillButton*> out;
    for (const Row& row : rows_) {
        if (row.view && !row.leaving) {
            out.push_back(row.view->findChild<PillButton*>());
        }
    }
    return out;
}
std::vector<QString> HeldList::tags() const {
    std::vector<QString> out;
    for (const Held& h : held_) {
        out.push_back(QString::fromStdString(HeldTexts::tag(h.hold)));
    }
    return out;
}

}  // namespace tv
