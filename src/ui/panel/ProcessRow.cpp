#include "ui/panel/ProcessRow.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "core/AppList.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/AppIcon.h"
#include "ui/panel/MiddleLabel.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/PanelSymbols.h"

namespace tv {

namespace {

constexpr double shareRadius = 7;

// The round "xmark" button that takes the icon's place under the pointer.
class CloseButton : public QAbstractButton {
  public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(16, 16);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(PanelStyle::primary(*this, isDown() ? 0.24 : 0.14));
        p.drawEllipse(QRectF(rect()));
        p.setBrush(PanelStyle::primary(*this, 0.85));
        p.drawPath(PanelSymbols::path("xmark", QRectF(rect()).adjusted(4.5, 4.5, -4.5, -4.5)));
    }
};

}  // namespace

ProcessRow::ProcessRow(AppIcons& icons, SelfIdentity self, QWidget* parent)
    : QWidget(parent),
      self_(std::move(self)),
      confirmShade_(Spring{0.2, 0.85}),
      icon_(new AppIcon(icons, 16, this)),
      close_(new CloseButton(this)),
      spinner_(new Spinner(this)),
      name_(new MiddleLabel(PanelStyle::font(13), this)),
      note_(PanelLook::label({}, PanelStyle::font(11), true, this)),
      value_(PanelLook::label({}, PanelLook::numbers(13), false, this)),
      quittingText_(
          PanelLook::label(QStringLiteral("Quitting\u2026"), PanelStyle::font(11), true, this)),
      question_(new MiddleLabel(PanelStyle::font(13, QFont::Medium), this)),
      cancel_(new PillButton(QStringLiteral("Cancel"), false, this)),
      confirm_(new PillButton(QStringLiteral("Quit"), true, this)) {
    setFixedHeight(26);
    connect(&confirmShade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        confirmShown_ = v.toDouble();
        update();
    });
    spinner_->setFixedSize(14, 14);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 0, 8, 0);
    row->setSpacing(8);
    auto* slot = new QWidget(this);
    slot->setFixedSize(16, 16);
    for (QWidget* w : {static_cast<QWidget*>(icon_), close_, static_cast<QWidget*>(spinner_)}) {
        w->setParent(slot);
        w->move((16 - w->width()) / 2, (16 - w->height()) / 2);
    }
    row->addWidget(slot);
    row->addWidget(name_, 1);
    row->addWidget(note_);
    row->addWidget(question_, 1);
    row->addWidget(quittingText_);
    row->addWidget(value_);
    row->addWidget(cancel_);
    row->addWidget(confirm_);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(static_cast<QAbstractButton*>(close_), &QAbstractButton::clicked, this, [this] {
        confirming_ = true;
        arrange();
    });
    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        confirming_ = false;
        arrange();
    });
    connect(confirm_, &QAbstractButton::clicked, this, [this] {
        confirming_ = false;
        arrange();
        emit quitRequested(state_.process);
    });
    arrange();
}

QWidget& ProcessRow::closeButton() {
    return *close_;
}

bool ProcessRow::hasEdgeLine() const {
    return AppList::hasEdgeLine(state_.share);
}

void ProcessRow::setState(const ProcessRowState& state) {
    if (state.process.id != state_.process.id) {
        confirming_ = false;
    }
    state_ = state;
    if (!state_.canQuit) {
        confirming_ = false;
    }
    arrange();
    update();
}

void ProcessRow::arrange() {
    const ProcessUsage& p = state_.process;
    QString name = QString::fromStdString(p.name);
    bool asking = confirming_ && !state_.quitting;
    icon_->setPath(p.appPath);
    icon_->setVisible(!state_.quitting && !(state_.canQuit && hovering_));
    close_->setVisible(!state_.quitting && state_.canQuit && hovering_ && !asking);
    close_->setToolTip(QStringLiteral("Quit ") + name);
    close_->setAccessibleName(QStringLiteral("Quit ") + name);
    spinner_->setVisible(state_.quitting);
    spinner_->setTurning(state_.quitting);

    static_cast<MiddleLabel*>(name_)->setFull(name);
    note_->setText(QString::fromStdString(AppList::note(p, state_.byCPU, self_)));
    value_->setText(QString::fromStdString(AppList::value(p, state_.byCPU)));
    static_cast<MiddleLabel*>(question_)->setFull(QStringLiteral("Quit ") + name +
                                                  QStringLiteral("?"));
    auto tooltip = AppList::ownRowTooltip(p, state_.byCPU, self_, state_.closedCost);
    setToolTip(tooltip ? QString::fromStdString(*tooltip) : QString());
    confirm_->setToolTip(name + QStringLiteral(" can still ask you to save your work"));

    name_->setVisible(!asking);
    note_->setVisible(!asking && !note_->text().isEmpty());
    value_->setVisible(!asking && !state_.quitting);
    quittingText_->setVisible(!asking && state_.quitting);
    question_->setVisible(asking);
    cancel_->setVisible(asking);
    confirm_->setVisible(asking);
    double red = asking ? 1.0 : 0.0;
    if (confirmShade_.endValue().isNull() ? red != confirmShown_
                                          : confirmShade_.endValue().toDouble() != red) {
        confirmShade_.retarget(confirmShown_, red);
    }
    setAccessibleName(name + QLatin1Char(' ') + value_->text() +
                      (note_->text().isEmpty() ? QString() : QStringLiteral(", ") + note_->text()));
}

void ProcessRow::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    arrange();
    QWidget::enterEvent(event);
}

void ProcessRow::leaveEvent(QEvent* event) {
    hovering_ = false;
    arrange();
    QWidget::leaveEvent(event);
}

void ProcessRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void ProcessRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(rect());
    p.setPen(Qt::NoPen);
    // The question's red background and the share bar cross over as the row turns.
    double red = std::clamp(confirmShown_, 0.0, 1.0);
    if (red > 0) {
        p.setBrush(QColor(255, 59, 48, static_cast<int>(std::lround(20 * red))));
        p.drawRoundedRect(box, 7, 7);
    }
    double share = std::clamp(state_.share, 0.0, 1.0);
    if (share <= 0 || red >= 1) {
        return;
    }
    p.setOpacity(1 - red);
    QRectF bar(0, 0, shareTrack() * share, box.height());
    QLinearGradient across(bar.topLeft(), bar.topRight());
    across.setColorAt(0, PanelLook::withAlpha(state_.hue, 0.04));
    across.setColorAt(1, PanelLook::withAlpha(state_.hue, 0.24));
    p.setBrush(across);
    if (bar.width() >= 2 * shareRadius) {
        p.drawRoundedRect(bar, shareRadius, shareRadius);
    } else {
        // A share of a few percent is a stub along the row's rounded leading edge, not a
        // narrow pill of its own.
        QPainterPath row;
        row.addRoundedRect(box, shareRadius, shareRadius);
        p.setClipPath(row);
        p.drawRect(bar);
        p.setClipping(false);
    }
    if (hasEdgeLine()) {
        p.setBrush(PanelLook::withAlpha(state_.hue, 0.85));
        p.drawRect(QRectF(bar.right() - 1.5, 3, 1.5, box.height() - 6));
    }
}

double ProcessRow::shareTrack() const {
    // The bars end before the value's column, as wide as the widest usual figure
    // ("1023 MB", "12.4 GB", "1250%") or the figure shown, so neither a bar nor its edge line
    // runs over the digits, and every row's bar is measured on the same track.
    QFontMetrics figures(value_->font());
    int column = std::max(figures.horizontalAdvance(QStringLiteral("8888 MB")),
                          figures.horizontalAdvance(value_->text()));
    constexpr int trailingMargin = 8;
    constexpr int gap = 8;
    return std::max(0, width() - trailingMargin - column - gap);
}

}  // namespace tv
