#include "app/CaptureViews.h"

#include <QVBoxLayout>

#include <chrono>

#include "app/AppShell.h"
#include "ui/controls/PanelStyle.h"
#include "ui/feedback/CrashNotice.h"
#include "ui/feedback/ReviewAsk.h"
#include "ui/feedback/ReviewPage.h"
#include "ui/panel/Dashboard.h"
#include "ui/panel/PanelLook.h"
#include "ui/panel/QuitStates.h"
#include "ui/settings/SettingsPage.h"

namespace tv::CaptureViews {

namespace {

constexpr int width = 360;
constexpr int pageHeight = 727;
constexpr int padding = 12;

Date now() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

// A column with the panel's padding, at least `height` high (0: as tall as its content). A
// page taller than that makes the still taller: squeezed, its wrapped texts would be cut.
std::unique_ptr<QWidget> frame(int height) {
    auto frame = std::make_unique<QWidget>();
    frame->setFixedWidth(width);
    if (height > 0) {
        frame->setMinimumHeight(height);
    }
    auto* column = new QVBoxLayout(frame.get());
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(padding);
    return frame;
}

std::unique_ptr<QWidget> framed(QWidget* page) {
    std::unique_ptr<QWidget> framed = frame(pageHeight);
    page->setParent(framed.get());
    auto* column = static_cast<QVBoxLayout*>(framed->layout());
    column->addWidget(page);
    column->addStretch(1);
    return framed;
}

}  // namespace

std::vector<Still> build(AppShell& shell, bool dark) {
    std::vector<Still> stills;
    stills.push_back({QStringLiteral("window.png"),
                      std::unique_ptr<QWidget>(shell.buildDashboard(nullptr, false))});
    stills.push_back(
        {QStringLiteral("settings.png"), framed(new SettingsPage(shell.settingsPageParts()))});
    stills.push_back(
        {QStringLiteral("review.png"), framed(new ReviewPage(shell.reviewPageParts(), 4))});
    auto* sent = new ReviewPage(shell.reviewPageParts(), 2);
    sent->showSent();
    stills.push_back({QStringLiteral("review-sent.png"), framed(sent)});

    std::unique_ptr<QWidget> feedback = frame(0);
    feedback->setFont(PanelStyle::font(11));
    // Set first: a change of look makes the notice look for a report again.
    feedback->setPalette(PanelLook::palette(dark));
    // Both are shown whether or not a report is waiting or a rating is due: this is their look.
    auto* notice = new CrashNotice(shell.crashNoticeParts(), feedback.get());
    notice->show();
    auto* ask = new ReviewAsk(shell.settings(), now, feedback.get());
    ask->show();
    feedback->layout()->addWidget(notice);
    feedback->layout()->addWidget(ask);
    stills.push_back({QStringLiteral("feedback.png"), std::move(feedback)});

    Monitor& monitor = shell.monitor();
    stills.push_back(
        {QStringLiteral("states.png"),
         std::make_unique<QuitStates>(shell.icons(), monitor.words(), monitor.self())});
    return stills;
}

}  // namespace tv::CaptureViews
