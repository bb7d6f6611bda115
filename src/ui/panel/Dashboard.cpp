#include "ui/panel/Dashboard.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

#include "core/AppList.h"
#include "core/CardTexts.h"
#include "core/Culprits.h"
#include "core/ReadingTexts.h"
#include "monitor/Monitor.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "ui/controls/Fade.h"
#include "ui/controls/Reveal.h"
#include "ui/controls/ShownChildren.h"
#include "ui/panel/AppListSection.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/CpuDetail.h"
#include "ui/panel/Footer.h"
#include "ui/panel/GpuDetail.h"
#include "ui/panel/HeatDetail.h"
#include "ui/panel/HeldList.h"
#include "ui/panel/MemoryDetail.h"
#include "ui/panel/ReadingRow.h"
#include "ui/panel/ReadingRows.h"
#include "ui/panel/StatusCard.h"

namespace tv {

namespace {

constexpr int padding = 12;
constexpr double pageShift = 24;

Date wallClock() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

// A 1-point line of the text colour at 60 % of a faint tint.
class Divider : public QWidget {
  public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QColor c = palette().color(QPalette::WindowText);
        c.setAlphaF(0.12f * 0.6f);
        p.fillRect(rect(), c);
    }
};

}  // namespace

Dashboard::Dashboard(DashboardParts parts, QWidget* parent)
    : QWidget(parent),
      parts_(std::move(parts)),
      monitor_(*parts_.monitor),
      content_(new QWidget(this)),
      pageSlide_(Spring{0.35, 0.85}),
      heldSlide_(Spring{0.35, 0.85}) {
    // Screen readers meet only the controls that are shown.
    ShownChildren::install();
    setFixedWidth(panelWidth);
    setAccessibleName(QStringLiteral("TallyVane"));
    content_->setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(14);

    card_ = new StatusCard(*parts_.icons, parts_.clock, content_);
    held_ = new HeldList(*parts_.icons, content_);
    cpuDetail_ = new CpuDetail();
    memoryDetail_ = new MemoryDetail();
    gpuDetail_ = new GpuDetail();
    heatDetail_ = new HeatDetail(parts_.fahrenheit);
    Panel chosen = PanelCase::parse(parts_.settings->panel().toStdString()).value_or(Panel::cpu);
    readings_ = new ReadingRows({cpuDetail_, memoryDetail_, gpuDetail_, heatDetail_}, chosen,
                                parts_.play, content_);
    apps_ =
        new AppListSection(monitor_, *parts_.icons, parts_.settings->flag(SettingKeys::sortByCPU),
                           parts_.play, content_);
    footer_ = new Footer(QString::fromStdString(monitor_.words().activityViewer),
                         parts_.hasSystemMonitor, content_);
    column->addWidget(card_);
    column->addWidget(held_);
    column->addWidget(readings_);
    column->addWidget(apps_);
    column->addWidget(new Divider(content_));
    column->addWidget(footer_);
    held_->setVisible(false);
    content_->installEventFilter(this);

    connect(card_, &StatusCard::quitRequested, this,
            [this](const ProcessUsage& culprit) { monitor_.quit(culprit); });
    connect(held_, &HeldList::resume, this,
            [this](const std::string& id) { monitor_.hold(monitor_.makeWay().resume(id)); });
    connect(held_, &HeldList::resumeAll, this,
            [this] { monitor_.hold(monitor_.makeWay().resumeAll()); });
    connect(readings_, &ReadingRows::chosenChanged, this, [this](Panel panel) {
        parts_.settings->setText(SettingKeys::panel,
                                 QString::fromStdString(PanelCase::text(panel)));
        refreshRows();
    });
    connect(apps_, &AppListSection::byCPUChanged, this,
            [this](bool byCPU) { parts_.settings->setBoolean(SettingKeys::sortByCPU, byCPU); });
    connect(footer_, &Footer::settingsRequested, this, &Dashboard::settingsRequested);
    connect(footer_, &Footer::systemMonitorRequested, this, &Dashboard::systemMonitorRequested);
    connect(footer_, &Footer::quitRequested, this, &Dashboard::quitRequested);

    for (auto changed :
         {&Monitor::sampledAtChanged, &Monitor::thermalStateChanged, &Monitor::memoryChanged}) {
        connect(&monitor_, changed, this, [this] {
            refreshCard();
            refreshRows();
        });
    }
    for (auto changed :
         {&Monitor::processesChanged, &Monitor::quittingChanged, &Monitor::closedCostChanged}) {
        connect(&monitor_, changed, this, [this] {
            refreshCard();
            apps_->refresh();
        });
    }
    connect(&monitor_, &Monitor::heldChanged, this, &Dashboard::refreshHeld);
    connect(&monitor_, &Monitor::downChanged, this,
            [this] { footer_->setRates(monitor_.down(), monitor_.up()); });
    connect(&monitor_, &Monitor::upChanged, this,
            [this] { footer_->setRates(monitor_.down(), monitor_.up()); });
    connect(&heldSlide_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setHeldProgress(v.toDouble()); });
    connect(&heldSlide_, &QVariantAnimation::finished, this,
            [this] { setHeldProgress(heldShown_ ? 1 : 0); });
    connect(&pageSlide_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setPageProgress(v.toDouble()); });
    connect(&pageSlide_, &QVariantAnimation::finished, this, [this] {
        if (leaving_) {
            leaving_->deleteLater();
        }
        setPageProgress(page_ ? 1 : 0);
    });

    if (parts_.animateIn) {
        // Card 0, the rows 1 to 4 one after another, apps 5, footer 6.
        new Reveal(card_, 0);
        for (int i = 0; i < PanelCase::count; ++i) {
            new Reveal(&readings_->row(static_cast<Panel>(i)), 1 + i);
        }
        new Reveal(apps_, 5);
        new Reveal(footer_, 6);
    }
    refresh();
}

Dashboard::~Dashboard() = default;

void Dashboard::refresh() {
    refreshCard();
    refreshHeld();
    refreshRows();
    apps_->refresh();
    footer_->setRates(monitor_.down(), monitor_.up());
}

void Dashboard::refreshCard() {
    CardState state;
    state.health = monitor_.health();
    state.title = monitor_.healthTitle();
    auto detail = monitor_.healthDetail();
    state.detail = detail ? *detail
                          : CardTexts::machineLine(monitor_.chip(), monitor_.memory().total,
                                                   monitor_.bootedAt(), wallClock());
    std::optional<Trouble> trouble = monitor_.trouble();
    std::optional<ProcessUsage> culprit;
    if (trouble == Trouble::heat) {
        culprit = workingHardest(monitor_.processes(), monitor_.self());
    } else if (trouble) {
        culprit = usingMostMemory(monitor_.processes());
    }
    if (culprit && (!culprit->appPath || !monitor_.isRunning(*culprit->appPath))) {
        culprit.reset();
    }
    if (culprit) {
        state.confirmDetail = CardTexts::confirmDetail(trouble, *culprit);
        state.quitting = monitor_.isQuitting(*culprit);
    }
    state.culprit = culprit;
    card_->setState(state);
}

void Dashboard::refreshHeld() {
    const std::vector<Held>& held = monitor_.held();
    bool shown = !held.empty();
    // A list on its way out keeps its last rows while it fades.
    if (shown) {
        held_->setHeld(held);
    }
    if (shown == heldShown_) {
        return;
    }
    heldShown_ = shown;
    if (!isVisible()) {
        setHeldProgress(shown ? 1 : 0);
        return;
    }
    heldSlide_.retarget(heldProgress_, shown ? 1.0 : 0.0);
}

void Dashboard::setHeldProgress(double progress) {
    heldProgress_ = progress;
    bool settled = heldSlide_.state() != QAbstractAnimation::Running;
    if (settled && !heldShown_) {
        held_->hide();
        held_->setHeld({});
        return;
    }
    held_->show();
    double shown = std::clamp(progress, 0.0, 1.0);
    setFade(*held_, settled ? 1.0 : shown);
    int wrapped = held_->heightForWidth(panelWidth - 2 * padding);
    int full = wrapped > 0 ? wrapped : held_->sizeHint().height();
    held_->setMaximumHeight(settled ? QWIDGETSIZE_MAX
                                    : static_cast<int>(std::lround(shown * full)));
}

void Dashboard::refreshRows() {
    Date at = monitor_.sampledAt();
    const ThermalSample& thermal = monitor_.thermal();
    std::array<ReadingLine, PanelCase::count> lines{
        ReadingTexts::cpu(monitor_.cpu()), ReadingTexts::memory(monitor_.memory()),
        ReadingTexts::gpu(monitor_.gpu(), thermal.gpu, parts_.fahrenheit),
        ReadingTexts::heat(thermal, monitor_.thermalState(), parts_.fahrenheit)};
    std::array<const History*, PanelCase::count> histories{
        &monitor_.cpuHistory(), &monitor_.memoryHistory(), &monitor_.gpuHistory(),
        &monitor_.temperatureHistory()};
    for (int i = 0; i < PanelCase::count; ++i) {
        ReadingHeader& header = readings_->row(static_cast<Panel>(i)).header();
        header.setLine(lines[i]);
        header.chart().setValues(histories[i]->values(), at);
    }
    switch (readings_->chosen()) {
        case Panel::cpu:
            cpuDetail_->refresh(monitor_);
            break;
        case Panel::memory:
            memoryDetail_->refresh(monitor_);
            break;
        case Panel::gpu:
            gpuDetail_->refresh(monitor_);
            break;
        case Panel::heat:
            heatDetail_->refresh(monitor_);
            break;
    }
}

void Dashboard::setOpen(bool open) {
    open_ = open;
    updateLive();
}

void Dashboard::updateLive() {
    bool live = open_ && !page_;
    live_ = live;
    for (int i = 0; i < PanelCase::count; ++i) {
        readings_->row(static_cast<Panel>(i)).header().chart().setLive(live);
    }
    cpuDetail_->chart().setLive(live);
    gpuDetail_->chart().setLive(live);
}

void Dashboard::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!opened_) {
        opened_ = true;
        for (Reveal* reveal : content_->findChildren<Reveal*>()) {
            reveal->setShown(true);
        }
    }
}

void Dashboard::showPage(QWidget* page) {
    if (page_) {
        delete page_;
    }
    page_ = page;
    page->setParent(this);
    page->setFixedWidth(panelWidth);
    // The page keeps to the panel's padding, as the dashboard does.
    page->setContentsMargins(padding, padding, padding, padding);
    page->installEventFilter(this);
    page->show();
    content_->setEnabled(false);
    content_->setAccessibleDescription(QString());
    updateLive();
    updateGeometry();
    pageSlide_.retarget(pageProgress_, 1.0);
    setPageProgress(pageProgress_);
}

void Dashboard::closePage() {
    if (!page_) {
        return;
    }
    leaving_ = page_.data();
    page_ = nullptr;
    content_->setEnabled(true);
    content_->show();
    updateLive();
    updateGeometry();
    pageSlide_.retarget(pageProgress_, 0.0);
}

void Dashboard::setPageProgress(double progress) {
    pageProgress_ = progress;
    QWidget* page = page_ ? page_.data() : leaving_.data();
    setFade(*content_, 1 - std::clamp(progress, 0.0, 1.0));
    // Hidden from accessibility and from Tab once the page has taken over.
    content_->setVisible(progress < 0.999 || !page_);
    if (page) {
        setFade(*page, std::clamp(progress, 0.0, 1.0));
    }
    place();
}

QSize Dashboard::sizeHint() const {
    return {panelWidth, heightOf(page_ ? *page_ : *content_)};
}

int Dashboard::heightOf(const QWidget& view) {
    // Wrapping texts make a view taller than its plain size hint says.
    int height = view.heightForWidth(panelWidth);
    return height > 0 ? height : view.sizeHint().height();
}

void Dashboard::place() {
    int shift = static_cast<int>(std::lround(pageShift * pageProgress_));
    content_->setGeometry(-shift, 0, panelWidth, heightOf(*content_));
    QWidget* page = page_ ? page_.data() : leaving_.data();
    if (page) {
        page->setGeometry(static_cast<int>(pageShift) - shift, 0, panelWidth, heightOf(*page));
    }
}

void Dashboard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void Dashboard::setRoom(int height) {
    room_ = std::max(height, 0);
    fitRoom();
}

void Dashboard::fitRoom() {
    int frame = apps_->frame().maximumHeight();
    // The dashboard's height with the frame at its full height.
    int full = heightOf(*content_) - frame + AppListSection::frameHeight;
    int wanted = AppListSection::frameHeight - (room_ > 0 ? std::max(0, full - room_) : 0);
    apps_->setFrameHeight(wanted);
    if (apps_->frame().maximumHeight() != frame) {
        // Counted at once, up to the dashboard, so whoever sizes the panel next reads the new
        // height (layouts and their items keep what they measured until told).
        for (QWidget* w = apps_; w && w != this; w = w->parentWidget()) {
            if (w->layout()) {
                w->layout()->invalidate();
            }
            w->updateGeometry();
        }
        updateGeometry();
        place();
    }
}

bool Dashboard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LayoutRequest && (watched == content_ || watched == page_)) {
        if (watched == content_) {
            fitRoom();
        }
        updateGeometry();
        place();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tv
