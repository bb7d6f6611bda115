#include "ui/panel/QuitStates.h"

#include <QAbstractButton>
#include <QVBoxLayout>

#include <cmath>

#include "core/CardTexts.h"
#include "core/Health.h"
#include "ui/controls/Buttons.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/ProcessRow.h"
#include "ui/panel/StatusCard.h"

namespace tv {

namespace {

constexpr int sheetPadding = 12;

ProcessUsage sampleApp(const Vocabulary& words) {
    ProcessUsage app;
    app.appPath = words.sampleAppPath;
    app.id = "app:" + words.sampleAppPath;
    app.name = words.sampleApp;
    app.memory = static_cast<std::uint64_t>(std::llround(4.2 * 1024 * 1024 * 1024));
    app.cpu = 240;
    app.count = 12;
    return app;
}

// The card for a machine `pressure` and `thermal` would give, blaming `app`.
CardState cardFor(int pressure, ThermalState thermal, const ProcessUsage& app,
                  const Vocabulary& words) {
    Verdict verdict = verdictFor(pressure, thermal);
    CardState card;
    card.health = verdict.health;
    card.title = verdict.title;
    card.detail = healthDetail(verdict.trouble, pressure, thermal, app, words).value_or("");
    card.culprit = app;
    card.confirmDetail = CardTexts::confirmDetail(verdict.trouble, app);
    return card;
}

}  // namespace

QuitStates::QuitStates(AppIcons& icons, const Vocabulary& words, SelfIdentity self, QWidget* parent)
    : QWidget(parent) {
    setFixedWidth(sheetWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    column->setSpacing(10);
    ProcessUsage app = sampleApp(words);
    // The clock only times the confirmation's guard, which nothing here presses.
    auto clock = [] { return 0.0; };

    auto* offered = new StatusCard(icons, clock, this);
    offered->setState(cardFor(2, 0, app, words));

    auto* asking = new StatusCard(icons, clock, this);
    asking->setState(cardFor(4, 0, app, words));
    asking->quitButton().click();

    auto* quitting = new StatusCard(icons, clock, this);
    CardState hot = cardFor(1, 2, app, words);
    hot.quitting = true;
    quitting->setState(hot);

    auto* row = new ProcessRow(icons, self, this);
    ProcessRowState state;
    state.process = app;
    state.hue = PanelLook::hue(Panel::memory);
    state.share = 0.26;
    state.canQuit = true;
    row->setState(state);
    static_cast<QAbstractButton&>(row->closeButton()).click();

    for (QWidget* part : {static_cast<QWidget*>(offered), static_cast<QWidget*>(asking),
                          static_cast<QWidget*>(quitting), static_cast<QWidget*>(row)}) {
        column->addWidget(part);
    }
}

}  // namespace tv
