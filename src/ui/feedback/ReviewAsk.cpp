#include "ui/feedback/ReviewAsk.h"

#include <QHBoxLayout>
#include <QLabel>

#include "feedback/Reviews.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/PanelStyle.h"
#include "ui/feedback/StarPicker.h"

namespace tv {

ReviewAsk::ReviewAsk(Settings& settings, std::function<Date()> clock, QWidget* parent)
    : QWidget(parent), settings_(settings), clock_(std::move(clock)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* question = new QLabel(QStringLiteral("Enjoying TallyVane?"), this);
    question->setFont(PanelStyle::font(11, QFont::Medium));
    row->addWidget(question);
    picker_ = new StarPicker(13, this);
    row->addWidget(picker_);
    row->addStretch(1);
    auto* notNow = new PillButton(QStringLiteral("Not now"), false, this);
    row->addWidget(notNow);

    connect(picker_, &StarPicker::picked, this, &ReviewAsk::rate);
    connect(notNow, &QAbstractButton::clicked, this, [this] {
        Reviews::putOff(settings_, clock_());
        hide();
    });
}

void ReviewAsk::refresh(Health health) {
    setVisible(health == Health::ok && Reviews::timing(settings_).askDue(clock_()));
}

}  // namespace tv
