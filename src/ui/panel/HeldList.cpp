#include "ui/panel/HeldList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "core/AppList.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/panel/AppIcon.h"
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

}  // namespace

HeldList::HeldList(AppIcons& icons, QWidget* parent)
    : QWidget(parent),
      icons_(icons),
      resumeAll_(new PillButton(QStringLiteral("Resume all"), false, this)),
      list_(new QWidget(this)),
      rows_(new QVBoxLayout(list_)) {
    setAccessibleName(QStringLiteral("Held back for you"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* header = new QHBoxLayout();
    header->addWidget(new SectionTitle(QStringLiteral("Held back for you"), this));
    header->addStretch(1);
    header->addWidget(resumeAll_);
    column->addLayout(header);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);
    column->addWidget(list_);
    auto* caption = PanelLook::label(
        QStringLiteral("So the app you're using stays quick. That one is never held back."),
        PanelStyle::font(10), true, this);
    caption->setWordWrap(true);
    column->addWidget(caption);
    connect(resumeAll_, &QAbstractButton::clicked, this, &HeldList::resumeAll);
    resumeAll_->hide();
}

void HeldList::setHeld(const std::vector<Held>& held) {
    if (held == held_) {
        return;
    }
    held_ = held;
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const Held& h : held_) {
        auto* row = new QWidget(list_);
        row->setFixedHeight(26);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(8, 0, 8, 0);
        line->setSpacing(8);
        auto* icon = new AppIcon(icons_, 16, row);
        icon->setPath(h.app.appPath);
        line->addWidget(icon);
        QString name = QString::fromStdString(h.app.name);
        auto* label = PanelLook::label(name, PanelStyle::font(13), false, row);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        line->addWidget(label, 1);
        line->addWidget(new HoldTag(h.hold, row));
        auto* resume = new PillButton(QStringLiteral("Resume"), false, row);
        resume->setToolTip(QString::fromStdString(HeldTexts::resumeTooltip(h)));
        resume->setAccessibleName(QStringLiteral("Resume ") + name);
        resume->setAccessibleDescription(resume->toolTip());
        line->addWidget(resume);
        std::string id = h.app.id;
        connect(resume, &QAbstractButton::clicked, this, [this, id] { emit this->resume(id); });
        row->setAccessibleName(name + QStringLiteral(", ") +
                               QString::fromStdString(HeldTexts::tag(h.hold)));
        rows_->addWidget(row);
    }
    resumeAll_->setVisible(HeldTexts::offersResumeAll(held_.size()));
}

std::vector<PillButton*> HeldList::resumeButtons() const {
    std::vector<PillButton*> out;
    for (int i = 0; i < rows_->count(); ++i) {
        out.push_back(rows_->itemAt(i)->widget()->findChild<PillButton*>());
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
