#include "ui/settings/SettingsPage.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "alerts/Notifier.h"
#include "core/AlertRules.h"
#include "core/Culprits.h"
#include "feedback/Reviews.h"
#include "monitor/Monitor.h"
#include "platform/LoginItem.h"
#include "settings/FocusConsent.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "ui/controls/BackButton.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/Fade.h"
#include "ui/controls/PanelStyle.h"
#include "ui/controls/Spring.h"
#include "ui/controls/Toggles.h"
#include "ui/feedback/StarPicker.h"

namespace tv {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Marks the labels in the secondary colour, which follows the panel's look.
constexpr const char* secondaryText = "secondaryText";

QLabel* text(const QString& words, QWidget* parent, double points = 11,
             QFont::Weight weight = QFont::Normal, bool secondary = false) {
    auto* label = new QLabel(words, parent);
    label->setFont(PanelStyle::font(points, weight));
    label->setWordWrap(true);
    if (secondary) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, PanelStyle::secondary(*label));
        label->setPalette(pal);
        label->setProperty(secondaryText, true);
    }
    return label;
}

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// A switch's label, which flips the switch when clicked, as a switch's own label does.
class SwitchLabel : public QWidget {
  public:
    SwitchLabel(QWidget* content, QAbstractButton& target, QWidget* parent)
        : QWidget(parent), target_(target) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        setCursor(Qt::PointingHandCursor);
    }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            target_.click();
        }
    }

  private:
    QAbstractButton& target_;
};

// The switch with its label before it.
QWidget* switchPair(Switch* toggle, QWidget* label, QWidget* parent, bool stretch) {
    auto* pair = new QWidget(parent);
    auto* row = new QHBoxLayout(pair);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SwitchLabel(label, *toggle, pair), stretch ? 1 : 0);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    return pair;
}

// The option rows of the alerts and make way: a title over a subtitle, then the switch.
QWidget* optionRow(Switch* toggle, const QString& title, const QString& subtitle, QWidget* parent) {
    auto* words = new QWidget(parent);
    auto* lines = column(words, 1);
    lines->addWidget(text(title, words, 13, QFont::Medium));
    lines->addWidget(text(subtitle, words, 11, QFont::Normal, true));
    toggle->setAccessibleDescription(subtitle);
    return switchPair(toggle, words, parent, true);
}

}  // namespace

SettingsPage::SettingsPage(Parts parts, QWidget* parent)
    : QWidget(parent), parts_(std::move(parts)) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    page_ = buildPage();
    stack_->addWidget(page_);
    askBlocked();
}

Switch* SettingsPage::boundSwitch(const char* key, const QString& name, QWidget* parent) {
    auto* toggle = new Switch(parts_.review.play, parent);
    toggle->setAccessibleName(name);
    toggle->setChecked(parts_.review.settings.isOn(key));
    connect(toggle, &QAbstractButton::toggled, this,
            [this, key](bool on) { parts_.review.settings.setBoolean(key, on); });
    return toggle;
}

QWidget* SettingsPage::buildPage() {
    const Vocabulary& words = parts_.review.words;
    auto* page = new QWidget(this);
    page->setFont(PanelStyle::font(11));
    auto* sections = column(page, 12);

    // Header.
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* backButton = new BackButton(page);
    connect(backButton, &QAbstractButton::clicked, this, &SettingsPage::back);
    header->addWidget(backButton);
    QLabel* title = text(QStringLiteral("Settings"), page, 16, QFont::DemiBold);
    title->setWordWrap(false);
    header->addWidget(title);
    header->addStretch(1);
    sections->addLayout(header);

    // Menu bar.
    auto* menuBar = new QWidget(page);
    auto* menuColumn = column(menuBar, 6);
    menuColumn->addWidget(new SectionTitle(QStringLiteral("Menu bar"), menuBar));
    auto* menuRow = new QHBoxLayout;
    menuRow->setSpacing(16);
    const std::pair<const char*, QString> readings[] = {
        {SettingKeys::menuCPU, QStringLiteral("CPU")},
        {SettingKeys::menuMemory, QStringLiteral("Memory")},
        {SettingKeys::menuHeat, QStringLiteral("Temperature")}};
    for (const auto& [key, name] : readings) {
        QLabel* label = text(name, menuBar);
        label->setWordWrap(false);
        menuRow->addWidget(switchPair(boundSwitch(key, name, menuBar), label, menuBar, false));
    }
    menuRow->addStretch(1);
    menuColumn->addLayout(menuRow);
    menuColumn->addWidget(
        text(QStringLiteral("A hidden reading shows anyway while it has a problem."), menuBar, 11,
             QFont::Normal, true));
    sections->addWidget(menuBar);

    sections->addWidget(alertsSection(page));

    // Make way.
    auto* makeWay = new QWidget(page);
    auto* makeWayColumn = column(makeWay, 6);
    makeWayColumn->addWidget(new SectionTitle(
        QStringLiteral("When your %1 struggles").arg(qs(words.computer)), makeWay));
    QString makeWayTitle = QStringLiteral("Make way for the app you're using");
    makeWayColumn->addWidget(optionRow(
        boundSwitch(SettingKeys::makeWay, makeWayTitle, makeWay), makeWayTitle,
        QStringLiteral("Slows busy apps in the background, and pauses the biggest one if memory "
                       "runs out"),
        makeWay));
    sections->addWidget(makeWay);

    sections->addWidget(generalSection(page));
    sections->addWidget(aboutSection(page));

    sections->addWidget(text(QStringLiteral("An alert repeats at most once an hour while its "
                                            "problem lasts, and goes away when it passes."),
                             page, 11, QFont::Normal, true));
    sections->addStretch(1);
    return page;
}

QWidget* SettingsPage::alertsSection(QWidget* parent) {
    const Vocabulary& words = parts_.review.words;
    auto* section = new QWidget(parent);
    auto* lines = column(section, 8);
    lines->addWidget(new SectionTitle(QStringLiteral("Alerts"), section));
    const struct {
        const char* key;
        QString title;
        QString subtitle;
    } alerts[] = {
        {SettingKeys::alertMemory, QStringLiteral("Memory running out"),
         QStringLiteral("When your %1 has to squeeze apps to fit").arg(qs(words.computer))},
        {SettingKeys::alertHeat, QStringLiteral("Overheating"),
         QStringLiteral("When %1 slows your %2 down to cool it")
             .arg(qs(words.system), qs(words.computer))},
        {SettingKeys::alertStuckApp, QStringLiteral("App stuck at full speed"),
         QStringLiteral("When one app keeps above 90% CPU for 10 minutes")},
    };
    for (const auto& alert : alerts) {
        lines->addWidget(optionRow(boundSwitch(alert.key, alert.title, section), alert.title,
                                   alert.subtitle, section));
    }

    // The action line: a test alert, or where to turn alerts back on.
    testLine_ = new QWidget(section);
    auto* testRow = new QHBoxLayout(testLine_);
    testRow->setContentsMargins(0, 0, 0, 0);
    testRow->setSpacing(8);
    auto* test = new PillButton(QStringLiteral("Send test alert"), false, testLine_);
    connect(test, &QAbstractButton::clicked, this, &SettingsPage::sendTestAlert);
    testRow->addWidget(test);
    sentText_ = text(QStringLiteral("Sent. It shows at the top right of your screen."), testLine_,
                     11, QFont::Normal, true);
    testRow->addWidget(sentText_, 1);
    lines->addWidget(testLine_);

    blockedLine_ = new QWidget(section);
    auto* blockedRow = new QHBoxLayout(blockedLine_);
    blockedRow->setContentsMargins(0, 0, 0, 0);
    blockedRow->setSpacing(8);
    blockedRow->addWidget(text(QStringLiteral("Alerts are turned off for TallyVane"), blockedLine_),
                          1);
    auto* open = new PillButton(QStringLiteral("Open %1").arg(qs(words.systemSettings)), false,
                                blockedLine_);
    open->setVisible(static_cast<bool>(parts_.openNotificationSettings));
    connect(open, &QAbstractButton::clicked, this, [this] { parts_.openNotificationSettings(); });
    blockedRow->addWidget(open);
    lines->addWidget(blockedLine_);
    refreshAlertLine();
    return section;
}

QWidget* SettingsPage::generalSection(QWidget* parent) {
    auto* section = new QWidget(parent);
    auto* lines = column(section, 8);
    lines->addWidget(new SectionTitle(QStringLiteral("General"), section));

    QString atLogin = QStringLiteral("Open at login");
    launchAtLogin_ = new Switch(parts_.review.play, section);
    launchAtLogin_->setAccessibleName(atLogin);
    launchAtLogin_->setChecked(parts_.loginItem.isEnabled());
    connect(launchAtLogin_, &QAbstractButton::toggled, this, &SettingsPage::setLaunchAtLogin);
    lines->addWidget(switchPair(launchAtLogin_, text(atLogin, section), section, true));

    // Shown while the add-on is installed; its state is asked of the desktop each time the
    // page opens, as the Extensions app may have changed it.
    FocusExtension::State focus =
        parts_.focusConsent ? parts_.focusConsent->state() : FocusExtension::State::absent;
    if (focus != FocusExtension::State::absent) {
        focusExtension_ = new Switch(parts_.review.play, section);
        focusExtension_->setAccessibleName(QStringLiteral("See the app in front"));
        focusExtension_->setChecked(focus == FocusExtension::State::on);
        connect(focusExtension_, &QAbstractButton::toggled, this, &SettingsPage::setFocusExtension);
        lines->addWidget(optionRow(focusExtension_, QStringLiteral("See the app in front"),
                                   focus == FocusExtension::State::broken
                                       ? QStringLiteral("The GNOME Shell extension is on but "
                                                        "GNOME Shell cannot run it")
                                       : QStringLiteral("With the GNOME Shell extension, make "
                                                        "way never slows the app you use"),
                                   section));
    }

    QString sounds = QStringLiteral("Sounds for clicks and alerts");
    lines->addWidget(switchPair(boundSwitch(SettingKeys::sounds, sounds, section),
                                text(sounds, section), section, true));

    QString automatic = QStringLiteral("Check for updates automatically");
    auto* autoUpdate = new Switch(parts_.review.play, section);
    autoUpdate->setAccessibleName(automatic);
    autoUpdate->setChecked(parts_.updates.automatic());
    connect(autoUpdate, &QAbstractButton::toggled, this,
            [this](bool on) { parts_.updates.setAutomatic(on); });
    auto* updateRow = new QHBoxLayout;
    updateRow->setSpacing(8);
    updateRow->addWidget(switchPair(autoUpdate, text(automatic, section), section, false), 1);
    checkNow_ = new PillButton(QStringLiteral("Check now"), false, section);
    connect(checkNow_, &QAbstractButton::clicked, this, &SettingsPage::checkNow);
    updateRow->addWidget(checkNow_);
    lines->addLayout(updateRow);

    updateText_ = text({}, section, 11, QFont::Normal, true);
    updateText_->setTextFormat(Qt::RichText);
    updateText_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    updateText_->setOpenExternalLinks(false);
    connect(updateText_, &QLabel::linkActivated, this, [this](const QString& link) {
        if (parts_.review.openUrl) {
            parts_.review.openUrl(QUrl(link));
        }
    });
    updateText_->hide();
    lines->addWidget(updateText_);
    // What an automatic check found stays said here until a later check says otherwise.
    if (const std::optional<UpdateAnswer>& newer = parts_.updates.newer()) {
        showAnswer(*newer);
        updateText_->show();
    }
    return section;
}

QWidget* SettingsPage::aboutSection(QWidget* parent) {
    auto* section = new QWidget(parent);
    auto* lines = column(section, 8);
    lines->addWidget(new SectionTitle(QStringLiteral("About"), section));
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    QLabel* version =
        text(QStringLiteral("TallyVane ") + parts_.review.version, section, 13, QFont::Medium);
    version->setWordWrap(false);
    row->addWidget(version);
    row->addStretch(1);
    rating_ = new StarPicker(13, section);
    connect(rating_, &StarPicker::picked, this, &SettingsPage::openReview);
    row->addWidget(rating_);
    auto* support = new PillButton(QStringLiteral("Support"), false, section);
    connect(support, &QAbstractButton::clicked, this, [this] {
        if (parts_.review.openUrl) {
            parts_.review.openUrl(Reviews::supportMail(parts_.review.version));
        }
    });
    row->addWidget(support);
    lines->addLayout(row);
    refreshRating();
    return section;
}

void SettingsPage::askBlocked() {
    if (!parts_.notifier) {
        blocked_ = true;
        refreshAlertLine();
        return;
    }
    QPointer<SettingsPage> page(this);
    parts_.notifier->blocked([page](bool blocked) {
        if (page) {
            page->blocked_ = blocked;
            page->refreshAlertLine();
        }
    });
}

void SettingsPage::sendTestAlert() {
    const Monitor& monitor = parts_.monitor;
    AlertMessage message =
        AlertRules::memoryMessage(false, usingMostMemory(monitor.processes()), monitor.words());
    message.id = "test";
    if (!parts_.notifier) {
        blocked_ = true;
        sent_ = false;
        refreshAlertLine();
        return;
    }
    QPointer<SettingsPage> page(this);
    parts_.notifier->sendTest(std::move(message), [page](bool sent) {
        if (page) {
            page->blocked_ = !sent;
            page->sent_ = sent;
            page->refreshAlertLine();
        }
    });
}

void SettingsPage::refreshAlertLine() {
    testLine_->setVisible(!blocked_);
    blockedLine_->setVisible(blocked_);
    bool fadeIn = sent_ && sentText_->isHidden();
    sentText_->setVisible(sent_);
    if (fadeIn) {
        auto* opacity = new QGraphicsOpacityEffect(sentText_);
        sentText_->setGraphicsEffect(opacity);
        auto* fade = new SpringAnimation(Spring{0.35, 1}, opacity);
        connect(fade, &QVariantAnimation::valueChanged, opacity,
                [opacity](const QVariant& v) { opacity->setOpacity(v.toDouble()); });
        connect(fade, &QVariantAnimation::finished, fade, &QObject::deleteLater);
        fade->retarget(0.0, 1.0);
    }
}

void SettingsPage::setLaunchAtLogin(bool on) {
    bool done = on ? parts_.loginItem.enable(parts_.program) : parts_.loginItem.disable();
    if (!done) {
        // No message: the switch shows what the entry really is now.
        QSignalBlocker quiet(launchAtLogin_);
        launchAtLogin_->setChecked(parts_.loginItem.isEnabled());
    }
}

void SettingsPage::setFocusExtension(bool on) {
    bool done = on ? parts_.focusConsent->accept() : parts_.focusConsent->decline();
    if (!done) {
        QSignalBlocker quiet(focusExtension_);
        focusExtension_->setChecked(parts_.focusConsent->state() == FocusExtension::State::on);
    }
}

void SettingsPage::checkNow() {
    checkNow_->setEnabled(false);
    updateText_->setText(QStringLiteral("Checking…"));
    updateText_->show();
    QPointer<SettingsPage> page(this);
    parts_.updates.checkNow([page](const UpdateAnswer& answer) {
        if (page) {
            page->showAnswer(answer);
        }
    });
}

void SettingsPage::showAnswer(const UpdateAnswer& answer) {
    checkNow_->setEnabled(true);
    switch (answer.kind) {
        case UpdateAnswer::Kind::upToDate:
            updateText_->setText(QStringLiteral("You have the newest version."));
            break;
        case UpdateAnswer::Kind::newer:
            updateText_->setText(
                QStringLiteral("TallyVane %1 is out. <a href=\"%2\">Download it</a>")
                    .arg(answer.version.toHtmlEscaped(),
                         QString::fromUtf8(answer.link.toEncoded()).toHtmlEscaped()));
            break;
        case UpdateAnswer::Kind::failed:
            updateText_->setText(
                QStringLiteral("Couldn't check for updates. Check your connection and try again."));
            break;
    }
}

void SettingsPage::openReview(int stars) {
    if (review_) {
        return;
    }
    if (parts_.review.play) {
        parts_.review.play("Select");
    }
    review_ = new ReviewPage(parts_.review, stars, this);
    connect(review_, &ReviewPage::back, this, &SettingsPage::closeReview);
    connect(review_, &ReviewPage::reviewSent, this, &SettingsPage::refreshRating);
    stack_->addWidget(review_);
    stack_->setCurrentWidget(review_);
    review_->setFocus();

    // The form comes in with a fade and a slide of 24 points from the trailing side.
    auto* opacity = new QGraphicsOpacityEffect(review_);
    review_->setGraphicsEffect(opacity);
    auto* slide = new SpringAnimation(Spring{0.35, 0.85}, review_);
    QPointer<ReviewPage> form(review_);
    connect(slide, &QVariantAnimation::valueChanged, review_, [form, opacity](const QVariant& v) {
        double progress = v.toDouble();
        opacity->setOpacity(std::clamp(progress, 0.0, 1.0));
        form->setContentsMargins(static_cast<int>(std::lround(24 * (1 - progress))), 0, 0, 0);
    });
    connect(slide, &QVariantAnimation::finished, review_, [form, slide] {
        form->setGraphicsEffect(nullptr);
        form->setContentsMargins(0, 0, 0, 0);
        slide->deleteLater();
    });
    slide->retarget(0.0, 1.0);
}

void SettingsPage::closeReview() {
    if (!review_) {
        return;
    }
    stack_->setCurrentWidget(page_);
    stack_->removeWidget(review_);
    review_->hide();
    review_->deleteLater();
    review_ = nullptr;
    refreshRating();
    setFocus();

    // The page comes back the way the form went: a fade with a slide of 24 points from the
    // leading side. It is moved rather than narrowed, so its texts do not wrap on the way; a
    // layout on the way puts it straight in its place.
    auto* slide = new SpringAnimation(Spring{0.35, 0.85}, page_);
    connect(slide, &QVariantAnimation::valueChanged, page_, [this](const QVariant& v) {
        double progress = v.toDouble();
        setFade(*page_, std::clamp(progress, 0.0, 1.0));
        page_->move(static_cast<int>(std::lround(-24 * (1 - progress))), page_->y());
    });
    connect(slide, &QVariantAnimation::finished, page_, [this, slide] {
        setFade(*page_, 1);
        page_->move(0, page_->y());
        slide->deleteLater();
    });
    slide->retarget(0.0, 1.0);
}

void SettingsPage::refreshRating() {
    int rated = std::clamp(parts_.review.settings.integer(SettingKeys::reviewStars), 0, 5);
    rating_->setStars(rated);
    rating_->setToolTip(rated > 0 ? QStringLiteral("Your rating. Click to rate again.")
                                  : QStringLiteral("Rate TallyVane"));
}

void SettingsPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange) {
        return;
    }
    // The desktop switched between light and dark while the page is open.
    QColor quiet = PanelStyle::secondary(*this);
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->property(secondaryText).toBool()) {
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, quiet);
            label->setPalette(pal);
        }
    }
}

void SettingsPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // From the rating form Escape leads back to the settings, from there to the panel.
        if (review_) {
            closeReview();
        } else {
            emit back();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tv
