// The panel's views off screen, over a Monitor fed by fake readers.
#include "ui/panel/Dashboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextLayout>

#include "monitor/Monitor.h"
#include "settings/SettingKeys.h"
#include "speedtest/SpeedTestRun.h"
#include "speedtest/SpeedTool.h"
#include "support/EventLoop.h"
#include "support/FakeReaders.h"
#include "ui/controls/Buttons.h"
#include "ui/controls/Meter.h"
#include "ui/controls/Motion.h"
#include "ui/controls/Toggles.h"
#include "ui/panel/AppIcon.h"
#include "ui/panel/AppIcons.h"
#include "ui/panel/AppListSection.h"
#include "ui/panel/ChartView.h"
#include "ui/panel/Footer.h"
#include "ui/panel/HeatDetail.h"
#include "ui/panel/HeldList.h"
#include "ui/panel/MiddleLabel.h"
#include "ui/panel/ProcessRow.h"
#include "ui/panel/ReadingRow.h"
#include "ui/panel/ReadingRows.h"
#include "ui/panel/SlidingRows.h"
#include "ui/panel/SpeedTestLine.h"
#include "ui/panel/StatusCard.h"

namespace tv {
namespace {

ProcessUsage app(const std::string& id, double cpu, std::uint64_t memory, int count = 1) {
    ProcessUsage p;
    p.id = id;
    p.name = id;
    p.cpu = cpu;
    p.memory = memory;
    p.count = count;
    return p;
}

class DashboardTest : public testing::Test {
  protected:
    DashboardTest() {
        MonitorParts parts;
        parts.readers = std::make_unique<test::FakeReaders>(machine);
        parts.samplerSettings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.settings = std::make_unique<Settings>(dir.filePath("TallyVane.ini"));
        parts.system = std::make_unique<test::FakeSystem>();
        parts.frontApp = std::make_unique<test::FakeFront>(&front);
        parts.self = SelfIdentity{std::nullopt, 77};
        parts.clock = [this] { return dateFromSeconds(clock); };
        monitor = std::make_unique<Monitor>(std::move(parts));
    }

    std::unique_ptr<Dashboard> open() {
        DashboardParts parts;
        parts.monitor = monitor.get();
        parts.settings = &settings;
        parts.icons = &icons;
        parts.play = [this](const char* name) { played.push_back(name); };
        parts.clock = [this] { return clock; };
        parts.animateIn = false;
        auto dashboard = std::make_unique<Dashboard>(parts);
        dashboard->setOpen(true);
        dashboard->show();
        return dashboard;
    }

    void tick(std::vector<ProcessUsage> processes, ThermalSample thermal = {}) {
        clock += 1;
        Snapshot s;
        s.cpu = CPUSample{{0.2, 0.4}, 0.2, 0.1, {}};
        s.memory = machine->memory;
        s.thermal = std::move(thermal);
        s.processes = std::move(processes);
        monitor->apply(s);
    }

    static void key(QWidget& to, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&to, &press);
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath("TallyVane.ini")};
    std::shared_ptr<test::FakeMachine> machine = std::make_shared<test::FakeMachine>();
    std::vector<FrontAppCandidate> front;
    double clock = 10'000;
    std::unique_ptr<Monitor> monitor;
    AppIcons icons;
    std::vector<std::string> played;
};

TEST_F(DashboardTest, TheStoredPanelIsExpandedAndArrowsStopAtTheEnds) {
    settings.setText(SettingKeys::panel, QStringLiteral("gpu"));
    auto dashboard = open();
    ReadingRows& rows = dashboard->readings();
    EXPECT_EQ(rows.chosen(), Panel::gpu);
    EXPECT_TRUE(rows.row(Panel::gpu).expanded());
    EXPECT_FALSE(rows.row(Panel::cpu).expanded());
    key(rows, Qt::Key_Down);
    key(rows, Qt::Key_Down);
    EXPECT_EQ(rows.chosen(), Panel::heat);
    EXPECT_EQ(settings.panel(), "heat");
    EXPECT_EQ(played, (std::vector<std::string>{"Select"})) << "only a real change plays";
    rows.row(Panel::cpu).header().click();
    key(rows, Qt::Key_Up);
    EXPECT_EQ(rows.chosen(), Panel::cpu);
    EXPECT_EQ(settings.panel(), "cpu");
    EXPECT_EQ(dashboard->width(), 360);
}

TEST_F(DashboardTest, RowHeadersNameTheirValuesAndHeatShowsMissingReadingsEmpty) {
    machine->memory.pressure = 2;
    ThermalSample thermal{72, 80, std::nullopt, std::nullopt, {}};
    settings.setText(SettingKeys::panel, QStringLiteral("heat"));
    auto dashboard = open();
    tick({}, thermal);
    ReadingRows& rows = dashboard->readings();
    EXPECT_EQ(rows.row(Panel::cpu).header().accessibleName(), "CPU 30%");
    EXPECT_TRUE(rows.row(Panel::memory).header().accessibleName().endsWith(", Tight"));
    EXPECT_EQ(rows.row(Panel::heat).header().line().subtitle, "Thermal state: Normal");
    const auto& lines = dashboard->heatDetail().lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3].label->text(), "Battery");
    EXPECT_EQ(lines[3].value->text(), "\u2013");
    EXPECT_TRUE(lines[3].meter->empty());
    EXPECT_FALSE(lines[0].meter->empty());

    thermal.fans = {Fan{0, 0, 0}};
    tick({}, thermal);
    EXPECT_EQ(rows.row(Panel::heat).header().line().subtitle, "Fan off");
    thermal.fans = {Fan{2400, 0, 0}, Fan{1200, 0, 0}};
    tick({}, thermal);
    EXPECT_EQ(rows.row(Panel::heat).header().line().subtitle, "Fans 2,400 rpm");
}

TEST_F(DashboardTest, TheFooterSpringsToItsNewHeightWhenANoticeGoes) {
    auto dashboard = open();
    Footer& footer = dashboard->footer();
    auto* notice = new QWidget();
    notice->setFixedHeight(60);
    footer.extrasSlot().addWidget(notice);
    test::spin(1.0, [] { return false; });
    EXPECT_FALSE(footer.resizing());
    int tall = footer.height();

    notice->hide();  // answered and gone
    test::spin(0.05, [&] { return footer.resizing(); });
    EXPECT_TRUE(footer.resizing()) << "the edge moves rather than jumps";
    EXPECT_GT(footer.sizeHint().height(), footer.naturalHeight());
    ASSERT_TRUE(test::spin(2.0, [&] { return !footer.resizing(); }));
    test::spin(0.1, [] { return false; });
    EXPECT_EQ(footer.height(), footer.naturalHeight());
    EXPECT_EQ(footer.height(), tall - 60 - 10) << "the notice and its spacing are gone";

    // Closed and opened again, it takes its height at once.
    dashboard->hide();
    notice->show();
    dashboard->show();
    test::spin(0.1, [] { return false; });
    EXPECT_FALSE(footer.resizing());
}

TEST_F(DashboardTest, ASpeedTestResultThatChangesFadesInAndTheClockMovingOnIsNoChange) {
    SpeedTestRun run(SpeedTool{QStringLiteral("/nonexistent/tallyvane-netquality")},
                     [] { return Date(); });
    SpeedTestLine line(run, monitor->words(), [] { return Date(); });
    line.show();
    EXPECT_EQ(line.changeShown(), 1) << "first shown: as it is";
    run.run();
    ASSERT_TRUE(test::spin(5, [&] { return run.failed(); }));
    EXPECT_LT(line.changeShown(), 0.5) << "the failure line comes in";
    EXPECT_NE(line.graphicsEffect(), nullptr);
    test::spin(1.2, [] { return false; });
    EXPECT_EQ(line.changeShown(), 1);
    EXPECT_EQ(line.graphicsEffect(), nullptr) << "settled: drawn without a fade";
    test::spin(1.2, [] { return false; });
    EXPECT_EQ(line.changeShown(), 1) << "the ticker refreshing is no change";
}

// The texts of every section as laid out at the panel's width, with each row expanded in turn:
// none is cut short, elided or pushed out of its section.
TEST_F(DashboardTest, EveryTextShowsWholeAtThePanelsWidth) {
    auto dashboard = open();
    dashboard->footer().speedLineSlot().addWidget(new SpeedTestLine(
        monitor->speedTest(), monitor->words(), [] { return Date(); }, &dashboard->footer()));
    Snapshot s;
    s.cpu = CPUSample{std::vector<double>(16, 1.0), 0.55, 0.45, {}};
    s.memory = machine->memory;
    s.memory.pressure = 4;
    s.thermal = ThermalSample{104, 110, 100, 45, {}};
    s.thermalState = 2;
    s.processes = {app("a-rather-long-application-name-for-a-row", 99, 1ULL << 40, 12)};
    clock += 1;
    monitor->apply(s);
    auto cut = [&] {
        QStringList out;
        for (int i = 0; i < PanelCase::count; ++i) {
            ReadingHeader& header = dashboard->readings().row(static_cast<Panel>(i)).header();
            if (header.shownSubtitle() != QString::fromStdString(header.line().subtitle)) {
                out << header.shownSubtitle();
            }
        }
        for (CoreBars* bars : dashboard->findChildren<CoreBars*>()) {
            if (bars->isVisibleTo(dashboard.get()) &&
                bars->width() < bars->minimumSizeHint().width()) {
                out << bars->accessibleName();
            }
        }
        for (QLabel* label : dashboard->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(dashboard.get()) || label->text().isEmpty()) {
                continue;
            }
            bool whole = label->wordWrap()
                             ? label->height() >= label->heightForWidth(label->width())
                             : label->width() >= label->minimumSizeHint().width() &&
                                   label->height() >= label->minimumSizeHint().height();
            for (QWidget* w = label->parentWidget(); w != dashboard.get() && whole;
                 w = w->parentWidget()) {
                whole = w->rect().contains(QRect(label->mapTo(w, QPoint()), label->size()));
            }
            if (!whole) {
                out << label->text();
            }
        }
        return out.join(QStringLiteral(" | ")).toStdString();
    };
    ReadingRows& rows = dashboard->readings();
    for (int i = 0; i < PanelCase::count; ++i) {
        rows.row(static_cast<Panel>(i)).header().click();
        // Once the details have finished fading in and out and the layout has caught up,
        // which on a loaded machine can take a moment longer.
        test::spin(3, [&] {
            return !rows.row(Panel::cpu).animating() && !rows.row(Panel::memory).animating() &&
                   !rows.row(Panel::gpu).animating() && !rows.row(Panel::heat).animating() &&
                   cut().empty();
        });
        EXPECT_EQ(cut(), "") << "with row " << i << " expanded";
    }
    s.thermal.fans = {Fan{2400, 1200, 6000}, Fan{12000, 1200, 6000}};
    clock += 1;
    monitor->apply(s);
    test::spin(3, [&] { return cut().empty(); });
    EXPECT_EQ(cut(), "") << "with the fans in the heat detail";
}

// The window takes the dashboard's height when it opens: the staged reveal and the first
// layout must not make that height differ from the settled one.
TEST_F(DashboardTest, OpensAtTheHeightItSettlesAt) {
    DashboardParts parts;
    parts.monitor = monitor.get();
    parts.settings = &settings;
    parts.icons = &icons;
    parts.play = [](const char*) {};
    parts.clock = [this] { return clock; };
    parts.animateIn = true;
    Dashboard dashboard(parts);
    int opening = dashboard.sizeHint().height();
    dashboard.show();
    test::spin(0.1, [] { return false; });
    EXPECT_EQ(dashboard.sizeHint().height(), opening) << "while the sections fade up";
    test::spin(1.2, [] { return false; });
    EXPECT_EQ(dashboard.sizeHint().height(), opening) << "settled";
}

TEST_F(DashboardTest, AppListKeepsItsFrameSharesAndOrderUnderThePointer) {
    settings.setBoolean(SettingKeys::sortByCPU, true);
    auto dashboard = open();
    tick({app("a", 0, 10), app("b", 0, 20), app("c", 0, 30)});
    AppListSection& list = dashboard->apps();
    ASSERT_EQ(list.rows().size(), 3u);
    EXPECT_EQ(list.frame().height(), 138);
    for (ProcessRow* row : list.rows()) {
        EXPECT_EQ(row->state().share, 0) << "all idle: nothing divided by zero";
    }

    tick({app("a", 10, 10), app("b", 20, 20), app("c", 30, 30)});
    EXPECT_EQ(list.rows().front()->state().process.id, "c");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&list.frame(), &enter);
    tick({app("a", 90, 10), app("b", 20, 20), app("c", 30, 30), app("d", 80, 1)});
    std::vector<std::string> shown;
    for (ProcessRow* row : list.rows()) {
        shown.push_back(row->state().process.id);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"c", "b", "a"})) << "no row jumps under the pointer";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&list.frame(), &leave);
    EXPECT_EQ(list.rows().front()->state().process.id, "a");
    EXPECT_EQ(list.rows().size(), 4u);

    list.setByCPU(false);
    EXPECT_FALSE(settings.flag(SettingKeys::sortByCPU));
    EXPECT_EQ(list.rows().front()->state().process.id, "c");
}

TEST_F(DashboardTest, AMiniatureShrinksAwayAsItsRowOpensAndGrowsBackAsItCloses) {
    settings.setText(SettingKeys::panel, QStringLiteral("cpu"));
    auto dashboard = open();
    ReadingRows& rows = dashboard->readings();
    ChartView& cpu = rows.row(Panel::cpu).header().chart();
    ChartView& gpu = rows.row(Panel::gpu).header().chart();
    EXPECT_FALSE(cpu.isVisible()) << "the open row has its big chart instead";
    EXPECT_TRUE(gpu.isVisible());
    EXPECT_EQ(gpu.scale(), 1);

    rows.row(Panel::gpu).header().click();
    EXPECT_TRUE(gpu.isVisible()) << "it shrinks before it goes";
    EXPECT_TRUE(cpu.isVisible());
    EXPECT_DOUBLE_EQ(cpu.scale(), 0.85) << "it comes back small";
    test::spin(1.0, [] { return false; });
    EXPECT_FALSE(gpu.isVisible());
    EXPECT_DOUBLE_EQ(gpu.scale(), 0.85);
    EXPECT_DOUBLE_EQ(cpu.scale(), 1);
}

TEST_F(DashboardTest, RowsSlideFromWhereTheirAppsWereToTheirNewPlaces) {
    settings.setBoolean(SettingKeys::sortByCPU, true);
    auto dashboard = open();
    AppListSection& list = dashboard->apps();
    const int pitch = list.sliding().pitch();
    auto places = [&list] {
        std::vector<int> ys;
        for (ProcessRow* row : list.rows()) {
            ys.push_back(row->geometry().y());
        }
        return ys;
    };
    EXPECT_FALSE(list.sliding().autoFillBackground()) << "the rows stand on the panel's colour";
    tick({app("a", 10, 10), app("b", 20, 20), app("c", 30, 30)});
    EXPECT_EQ(places(), (std::vector<int>{0, pitch, 2 * pitch})) << "first shown: in place";

    // a climbs from the bottom to the top; c and b each move down one.
    tick({app("a", 90, 10), app("b", 20, 20), app("c", 30, 30)});
    ASSERT_EQ(list.rows().front()->state().process.id, "a");
    EXPECT_EQ(places(), (std::vector<int>{2 * pitch, 0, pitch}))
        << "each row starts where its app was";
    test::spin(1.5, [] { return false; });
    EXPECT_EQ(places(), (std::vector<int>{0, pitch, 2 * pitch})) << "and settles in its place";

    // The same order again moves nothing; a newcomer appears in its place.
    tick({app("a", 90, 10), app("b", 20, 20), app("c", 30, 30), app("d", 5, 1)});
    EXPECT_EQ(places(), (std::vector<int>{0, pitch, 2 * pitch, 3 * pitch}));

    Motion::setReduced(true);
    tick({app("a", 1, 10), app("b", 20, 20), app("c", 30, 30), app("d", 5, 1)});
    EXPECT_EQ(places(), (std::vector<int>{0, pitch, 2 * pitch, 3 * pitch}))
        << "reduced motion: at once";
    Motion::setReduced(false);
}

TEST_F(DashboardTest, GivenTooLittleRoomTheAppListGivesUpRowsThatThenScroll) {
    auto dashboard = open();
    tick({app("a", 0, 50), app("b", 0, 40), app("c", 0, 30), app("d", 0, 20), app("e", 0, 10)});
    test::spin(0.05, [] { return false; });
    int full = dashboard->sizeHint().height();
    AppListSection& list = dashboard->apps();
    QScrollBar* bar = list.rowsArea().verticalScrollBar();

    // Room enough, or no limit: the frame is whole and nothing scrolls.
    dashboard->setRoom(full + 100);
    EXPECT_EQ(list.frame().maximumHeight(), AppListSection::frameHeight);
    EXPECT_EQ(dashboard->sizeHint().height(), full);

    // 60 short: the frame gives them, the rest stays whole and the five rows scroll.
    dashboard->setRoom(full - 60);
    EXPECT_EQ(list.frame().maximumHeight(), AppListSection::frameHeight - 60);
    EXPECT_EQ(dashboard->sizeHint().height(), full - 60);
    test::spin(0.05, [] { return false; });
    ASSERT_EQ(list.rows().size(), 5u);
    EXPECT_EQ(list.frame().height(), AppListSection::frameHeight - 60);
    EXPECT_EQ(bar->maximum(), 60) << "every row can be scrolled to";
    EXPECT_TRUE(list.rowsArea().viewport()->rect().contains(
        list.rows().front()->geometry().translated(list.rowsArea().widget()->pos())))
        << "the first row stays in view";

    // Far too short: two rows stay in the frame; the window scrolls the rest.
    dashboard->setRoom(200);
    EXPECT_EQ(list.frame().maximumHeight(), AppListSection::shortestFrame);
    EXPECT_EQ(dashboard->sizeHint().height(),
              full - (AppListSection::frameHeight - AppListSection::shortestFrame));

    // The room grows again (the panel opens on a larger screen): the list is whole again.
    dashboard->setRoom(0);
    test::spin(0.05, [] { return false; });
    EXPECT_EQ(list.frame().height(), AppListSection::frameHeight);
    EXPECT_EQ(dashboard->sizeHint().height(), full);
    EXPECT_EQ(bar->maximum(), 0);
}

TEST_F(DashboardTest, ProcessRowsNoteTheirGroupsAndMarkTheShareEdge) {
    ProcessRow row(icons, SelfIdentity{std::nullopt, 77});
    ProcessRowState state{app("one", 1, 1, 1), false, std::nullopt, Qt::blue, 0.2, false, false};
    row.setState(state);
    EXPECT_EQ(row.note(), "");
    EXPECT_FALSE(row.hasEdgeLine());
    state.process = app("twelve", 1, 1, 12);
    state.share = 0.25;
    row.setState(state);
    EXPECT_EQ(row.note(), "12 processes");
    EXPECT_TRUE(row.hasEdgeLine());
    EXPECT_TRUE(row.findChild<AppIcon*>()->showsTerminal()) << "a typed command has no path";

    // Quittable: the close button under the pointer, then the red question.
    state.canQuit = true;
    row.setState(state);
    row.show();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&row, &enter);
    EXPECT_TRUE(row.closeButton().isVisibleTo(&row));
    ProcessUsage quit;
    QObject::connect(&row, &ProcessRow::quitRequested, [&](const ProcessUsage& p) { quit = p; });
    static_cast<QAbstractButton&>(row.closeButton()).click();
    EXPECT_TRUE(row.confirming());
    EXPECT_LT(row.confirmShown(), 0.5) << "the red comes in along a spring";
    test::spin(0.6, [] { return false; });
    EXPECT_DOUBLE_EQ(row.confirmShown(), 1);
    EXPECT_EQ(row.confirmButton().toolTip(), "twelve can still ask you to save your work");
    row.confirmButton().click();
    EXPECT_EQ(quit.id, "twelve");
    test::spin(0.6, [] { return false; });
    EXPECT_DOUBLE_EQ(row.confirmShown(), 0) << "and goes with the question";
}

// The share bar stays off the value's digits, and a share of a few percent is a stub along
// the row's rounded edge rather than a little pill.
TEST_F(DashboardTest, ShareBarsKeepOffTheDigitsAndSmallSharesAreStubs) {
    ProcessRow row(icons, SelfIdentity{std::nullopt, 77});
    row.resize(336, 26);
    QPalette white = row.palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    row.setPalette(white);
    row.setAutoFillBackground(true);
    auto bluish = [](QRgb c) { return qBlue(c) - qRed(c) > 20; };
    ProcessRowState state{
        app("big", 1, 606ULL << 20, 1), false, std::nullopt, QColor(0, 0, 255), 1.0, false, false};
    row.setState(state);
    row.show();
    QApplication::processEvents();
    QImage full = row.grab().toImage();
    QLabel* value = nullptr;
    for (QLabel* label : row.findChildren<QLabel*>()) {
        if (label->isVisibleTo(&row) && label->text() == "606 MB") {
            value = label;
        }
    }
    ASSERT_TRUE(value);
    QRect digits(value->mapTo(&row, QPoint()), value->size());
    int tinted = 0;
    for (int y = digits.top(); y <= digits.bottom(); ++y) {
        for (int x = digits.left(); x <= digits.right(); ++x) {
            tinted += bluish(full.pixel(x, y));
        }
    }
    EXPECT_EQ(tinted, 0) << "the bar or its edge under \"606 MB\"";
    int track = static_cast<int>(row.shareTrack());
    EXPECT_GT(track, 336 / 2);
    EXPECT_LT(track, digits.left());
    EXPECT_TRUE(bluish(full.pixel(track - 6, 13))) << "a whole share fills the track";

    state.share = 0.02;
    row.setState(state);
    QImage small = row.grab().toImage();
    int stub = static_cast<int>(row.shareTrack() * 0.02);
    ASSERT_GE(stub, 3);
    EXPECT_TRUE(bluish(small.pixel(stub - 1, 1))) << "full height up to the row's corner";
    EXPECT_TRUE(bluish(small.pixel(stub - 1, 24)));
    EXPECT_FALSE(bluish(small.pixel(stub + 2, 13))) << "and no wider than the share";
}

// When the card's detail wraps, a figure keeps its unit: "4.2 GB" never leaves "GB" alone.
TEST_F(DashboardTest, CardDetailsWrapWithoutSplittingAFigureFromItsUnit) {
    StatusCard card(icons, [this] { return clock; });
    CardState state;
    state.health = Health::warning;
    state.title = "Memory is tight";
    state.detail = "Firefox uses the most: 4.2 GB";
    state.culprit = app("app:/firefox", 0, 4ULL << 30);
    state.culprit->appPath = "/firefox";
    card.setState(state);
    card.resize(336, card.heightForWidth(336) > 0 ? card.heightForWidth(336) : 64);
    card.show();
    QApplication::processEvents();
    QLabel* detail = nullptr;
    for (QLabel* label : card.findChildren<QLabel*>()) {
        if (label->text().startsWith("Firefox uses")) {
            detail = label;
        }
    }
    ASSERT_TRUE(detail);
    QTextLayout layout(detail->text(), detail->font());
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(detail->contentsRect().width());
        lines << detail->text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    ASSERT_GE(lines.size(), 2) << "wraps at the card's width";
    for (const QString& line : lines) {
        EXPECT_NE(line, "GB") << lines.join(" / ").toStdString();
    }
}

// The panel opens while a quit is under way: the card, built before it is shown, turns its
// spinner once on screen, and stops it when the panel closes.
TEST_F(DashboardTest, TheCardsSpinnerTurnsWhenThePanelOpensMidQuit) {
    StatusCard card(icons, [this] { return clock; });
    CardState state;
    state.health = Health::critical;
    state.title = "Memory is critical";
    state.culprit = app("app:/big", 0, 4ULL << 30);
    state.culprit->appPath = "/big";
    state.quitting = true;
    card.setState(state);
    auto* spinner = card.findChild<Spinner*>();
    ASSERT_TRUE(spinner);
    card.show();
    EXPECT_TRUE(spinner->turning());
    card.setState(state);
    EXPECT_TRUE(spinner->turning()) << "a new sample keeps it turning";
    card.hide();
    EXPECT_FALSE(spinner->turning()) << "nothing turns in a closed panel";
    card.show();
    EXPECT_TRUE(spinner->turning());
    state.quitting = false;
    card.setState(state);
    EXPECT_FALSE(spinner->turning());
}

TEST_F(DashboardTest, CardQuitIsGuardedAgainstDoubleClicksAndClosedByANewCulprit) {
    StatusCard card(icons, [this] { return clock; });
    CardState state;
    state.health = Health::critical;
    state.title = "Memory is critical";
    state.culprit = app("app:/big", 0, 4ULL << 30);
    state.confirmDetail = "Frees about 4.0 GB";
    state.culprit->appPath = "/big";
    card.setState(state);
    std::vector<std::string> quit;
    QObject::connect(&card, &StatusCard::quitRequested,
                     [&](const ProcessUsage& p) { quit.push_back(p.id); });
    EXPECT_EQ(card.quitButton().toolTip(), "Quit app:/big");
    card.show();
    card.quitButton().click();
    EXPECT_LT(card.iconEntrance(), 0.5) << "the culprit's icon comes in";
    test::spin(0.6, [] { return false; });
    EXPECT_DOUBLE_EQ(card.iconEntrance(), 1);
    clock += 0.2;
    card.confirmButton().click();
    EXPECT_TRUE(quit.empty()) << "the second click of a double click";
    EXPECT_TRUE(card.confirming());

    state.culprit = app("app:/other", 0, 1);
    state.culprit->appPath = "/other";
    card.setState(state);
    EXPECT_FALSE(card.confirming()) << "another culprit closes the question";
    EXPECT_LT(card.symbolEntrance(), 0.5) << "and the health symbol comes back in";
    state.health = Health::warning;
    card.setState(state);
    EXPECT_LT(card.glyphEntrance(), 0.5) << "a new symbol replaces the old";
    test::spin(1.2, [] { return false; });
    EXPECT_DOUBLE_EQ(card.symbolEntrance(), 1);
    EXPECT_DOUBLE_EQ(card.glyphEntrance(), 1);

    card.quitButton().click();
    clock += 0.5;
    card.confirmButton().click();
    EXPECT_EQ(quit, (std::vector<std::string>{"app:/other"}));
    EXPECT_FALSE(card.confirming());
}

// Where no CPU band could act on an app only its disk use was lowered; its row says that.
TEST_F(DashboardTest, HeldListTellsWhenOnlyAnAppsDiskUseIsLowered) {
    HeldList list(icons);
    ProcessUsage zip = app("pid:9", 0, 1);
    zip.name = "Archiver";
    list.setHeld({Held{zip, Hold::slowed}});
    auto tagTips = [&] {
        std::vector<QString> tips;
        for (QWidget* widget : list.findChildren<QWidget*>()) {
            if (widget->accessibleName() == "Slowed" && widget->isVisibleTo(&list)) {
                tips.push_back(widget->toolTip());
            }
        }
        return tips;
    };
    EXPECT_EQ(tagTips(), (std::vector<QString>{""}));
    list.setHeld({Held{zip, Hold::slowed, true}});
    EXPECT_EQ(tagTips(), (std::vector<QString>{"Only the disk use of Archiver is lowered"}));
    ASSERT_EQ(list.resumeButtons().size(), 1u);
    EXPECT_EQ(list.resumeButtons()[0]->toolTip(), "Give Archiver its disk speed back");
}

TEST_F(DashboardTest, HeldListOffersResumeAllForTwoAndTellsWhatResumeDoes) {
    HeldList list(icons);
    ProcessUsage mail = app("app:/mail", 0, 1);
    mail.name = "Mail";
    ProcessUsage zip = app("pid:9", 0, 1);
    zip.name = "Archiver";
    list.setHeld({Held{mail, Hold::paused}});
    EXPECT_TRUE(list.resumeAllButton().isHidden());
    list.setHeld({Held{mail, Hold::paused}, Held{zip, Hold::slowed}});
    EXPECT_FALSE(list.resumeAllButton().isHidden());
    EXPECT_EQ(list.tags(), (std::vector<QString>{"Paused", "Slowed"}));
    auto buttons = list.resumeButtons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0]->toolTip(), "Let Mail carry on now");
    EXPECT_EQ(buttons[1]->toolTip(), "Give Archiver full speed again");
    std::string resumed;
    QObject::connect(&list, &HeldList::resume, [&](const std::string& id) { resumed = id; });
    buttons[1]->click();
    EXPECT_EQ(resumed, "pid:9");
}

// Long names keep both ends, as on the app rows; past five apps the list scrolls instead of
// growing the panel, and the last row can be scrolled to.
TEST_F(DashboardTest, HeldListShortensNamesInTheMiddleAndScrollsPastFive) {
    HeldList list(icons);
    list.resize(336, 400);
    list.show();
    std::vector<Held> held;
    for (int i = 0; i < 7; ++i) {
        ProcessUsage p = app("pid:" + std::to_string(i), 0, 1);
        p.name = "Application number " + std::to_string(i) + " with a very long name indeed";
        held.push_back(Held{p, Hold::slowed});
    }
    list.setHeld(held);
    ASSERT_TRUE(test::spin(2, [&] { return !list.animating(); }));
    QApplication::processEvents();
    ASSERT_EQ(list.resumeButtons().size(), 7u);
    auto* name = list.resumeButtons().front()->parentWidget()->findChild<MiddleLabel*>();
    ASSERT_TRUE(name);
    QString shown = name->text();
    EXPECT_TRUE(shown.startsWith("Appl")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("deed")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(name->accessibleName(), QString::fromStdString(held[0].app.name));

    auto* scroll = list.findChild<QScrollArea*>();
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->height(), 5 * 26) << "five rows in view";
    QWidget* last = list.resumeButtons().back();
    scroll->ensureWidgetVisible(last);
    QRect inView(last->mapTo(scroll->viewport(), QPoint()), last->size());
    EXPECT_TRUE(scroll->viewport()->rect().contains(inView)) << "the seventh row scrolls in";

    held.resize(2);
    list.setHeld(held);
    ASSERT_TRUE(test::spin(2, [&] { return !list.animating(); }));
    EXPECT_EQ(scroll->height(), 2 * 26) << "fewer rows: no empty room";
}

// "Settings" carries its gear before the word: drawn, and room made for it.
TEST_F(DashboardTest, TheSettingsButtonShowsItsGear) {
    auto dashboard = open();
    PillButton& settingsButton = dashboard->footer().settingsButton();
    PillButton plain(QStringLiteral("Settings"));
    EXPECT_TRUE(settingsButton.hasSymbol());
    EXPECT_GE(settingsButton.sizeHint().width(), plain.sizeHint().width() + 11);
    auto firstInk = [](QWidget& button) {
        button.resize(button.sizeHint());
        QImage image = button.grab().toImage();
        QRgb fill = image.pixel(image.width() / 2, 1);
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 6; y < image.height() - 6; ++y) {
                if (qAbs(qGray(image.pixel(x, y)) - qGray(fill)) > 60) {
                    return x;
                }
            }
        }
        return image.width();
    };
    int gearAt = firstInk(settingsButton);
    EXPECT_LT(gearAt, firstInk(plain)) << "the gear stands before the word";
    EXPECT_LT(gearAt, 16);
}

// Every detail is exactly as high as the others, whatever it holds (a wrapping swap line, a
// chart under its caption, a fan), so the panel keeps its height when another row expands.
TEST_F(DashboardTest, EveryDetailIsExactlyTheSameHeight) {
    auto dashboard = open();
    ReadingRows& rows = dashboard->readings();
    auto settled = [&] {
        for (int i = 0; i < PanelCase::count; ++i) {
            if (rows.row(static_cast<Panel>(i)).animating()) {
                return false;
            }
        }
        return true;
    };
    for (std::vector<Fan> fans : {std::vector<Fan>{}, std::vector<Fan>{Fan{2400, 1200, 6000}}}) {
        ThermalSample thermal{71, 80, 55, 33, fans};
        tick({app("a", 5, 1ULL << 30)}, thermal);
        std::vector<int> heights;
        for (int i = 0; i < PanelCase::count; ++i) {
            rows.row(static_cast<Panel>(i)).header().click();
            ASSERT_TRUE(test::spin(3, settled));
            QApplication::processEvents();
            EXPECT_EQ(rows.row(static_cast<Panel>(i)).detail().height(), ReadingRow::detailHeight)
                << "detail " << i << " with " << fans.size() << " fans";
            heights.push_back(dashboard->sizeHint().height());
        }
        EXPECT_EQ(std::count(heights.begin(), heights.end(), heights[0]), PanelCase::count)
            << "the panel's height follows the expanded row";
    }
}

// A detail that closes fades out and is hidden at the end, also when the user changes their
// mind midway; none is ever left part-transparent or part-high.
TEST_F(DashboardTest, ClosedDetailsFadeOutAndNoneIsLeftHalfDrawn) {
    auto dashboard = open();
    ReadingRows& rows = dashboard->readings();
    auto settled = [&] {
        for (int i = 0; i < PanelCase::count; ++i) {
            if (rows.row(static_cast<Panel>(i)).animating()) {
                return false;
            }
        }
        return true;
    };
    auto whole = [&](Panel open) {
        for (int i = 0; i < PanelCase::count; ++i) {
            ReadingRow& row = rows.row(static_cast<Panel>(i));
            bool expanded = row.panel() == open;
            EXPECT_EQ(!row.detail().isHidden(), expanded) << i;
            EXPECT_EQ(row.detail().graphicsEffect(), nullptr) << i << " drawn through a fade";
            if (expanded) {
                EXPECT_GE(row.detail().height(), ReadingRow::detailHeight);
            }
        }
    };
    key(rows, Qt::Key_Down);
    EXPECT_TRUE(rows.row(Panel::cpu).detail().isVisible()) << "fading out, not cut";
    EXPECT_NE(rows.row(Panel::cpu).detail().graphicsEffect(), nullptr);
    ASSERT_TRUE(test::spin(2, settled));
    whole(Panel::memory);

    key(rows, Qt::Key_Down);
    test::spin(0.08, [] { return false; });
    key(rows, Qt::Key_Up);
    ASSERT_TRUE(test::spin(2, settled));
    whole(Panel::memory);

    dashboard->hide();
    key(rows, Qt::Key_Up);
    EXPECT_TRUE(settled()) << "nothing animates while the panel is closed";
    whole(Panel::cpu);
}

// Held rows come and go on their own: a resumed app's row fades out, cannot be pressed
// meanwhile, and is gone (from view and from the accessible tree) when its animation ends.
TEST_F(DashboardTest, HeldRowsComeAndGoAndAGoneRowLeavesTheTree) {
    ProcessUsage mail = app("app:/mail", 0, 1);
    mail.name = "Mail";
    ProcessUsage zip = app("pid:9", 0, 1);
    zip.name = "Archiver";
    HeldList list(icons);
    list.setHeld({Held{mail, Hold::paused}, Held{zip, Hold::slowed}});
    EXPECT_FALSE(list.animating()) << "hidden, a change applies at once";
    list.resize(336, list.sizeHint().height());
    list.show();
    auto rowNamed = [&](const QString& name) {
        QWidget* found = nullptr;
        for (QWidget* w : list.findChildren<QWidget*>()) {
            if (w->accessibleName() == name && w->isVisible()) {
                found = w;
            }
        }
        return QPointer<QWidget>(found);
    };
    QPointer<QWidget> mailRow = rowNamed(QStringLiteral("Mail, Paused"));
    QPointer<QWidget> zipRow = rowNamed(QStringLiteral("Archiver, Slowed"));
    ASSERT_TRUE(mailRow && zipRow);

    list.setHeld({Held{zip, Hold::slowed}});
    EXPECT_TRUE(list.animating());
    EXPECT_FALSE(mailRow->isEnabled()) << "a leaving row cannot be pressed";
    ASSERT_EQ(list.resumeButtons().size(), 1u);
    ASSERT_TRUE(test::spin(2, [&] { return !list.animating() && mailRow.isNull(); }));
    EXPECT_EQ(zipRow.data(), rowNamed(QStringLiteral("Archiver, Slowed")).data())
        << "the staying row is kept, not rebuilt";
    EXPECT_EQ(zipRow->y(), 0);
    EXPECT_EQ(zipRow->graphicsEffect(), nullptr);

    // Back while it still fades in: it ends whole, in its place, in list order.
    list.setHeld({Held{mail, Hold::paused}, Held{zip, Hold::slowed}});
    test::spin(0.05, [] { return false; });
    list.setHeld({Held{mail, Hold::paused}, Held{zip, Hold::slowed},
                  Held{app("pid:3", 0, 1), Hold::slowed}});
    ASSERT_TRUE(test::spin(2, [&] { return !list.animating(); }));
    mailRow = rowNamed(QStringLiteral("Mail, Paused"));
    ASSERT_TRUE(mailRow);
    EXPECT_EQ(mailRow->y(), 0);
    EXPECT_EQ(mailRow->graphicsEffect(), nullptr);
    EXPECT_EQ(zipRow->y(), 26);
    EXPECT_EQ(list.resumeButtons().size(), 3u);
}

TEST_F(DashboardTest, ChartsRunOnlyWhileOpenAndUncoveredAndPagesSlideOver) {
    auto dashboard = open();
    tick({});
    ChartView& mini = dashboard->readings().row(Panel::memory).header().chart();
    EXPECT_TRUE(mini.ticking());
    EXPECT_FALSE(
        dashboard->readings().row(Panel::cpu).header().chart().isVisibleTo(dashboard.get()))
        << "the expanded row has its big chart instead";

    auto* page = new QWidget();
    page->setMinimumHeight(200);
    dashboard->showPage(page);
    EXPECT_FALSE(dashboard->live());
    EXPECT_FALSE(mini.ticking());
    EXPECT_FALSE(dashboard->content().isEnabled());
    EXPECT_TRUE(test::spin(2, [&] { return !dashboard->content().isVisible(); }));
    QPointer<QWidget> gone = page;
    dashboard->closePage();
    EXPECT_TRUE(dashboard->live());
    EXPECT_TRUE(test::spin(2, [&] { return gone.isNull(); })) << "a closed page is deleted";
    EXPECT_TRUE(dashboard->content().isVisible());
    EXPECT_TRUE(dashboard->content().isEnabled());

    // All of the open panel's charts draw on the window's one clock, at the big chart's rate.
    EXPECT_TRUE(FrameClock::of(mini.window()).ticking());
    EXPECT_EQ(FrameClock::of(mini.window()).rate(), 30);
    dashboard->setOpen(false);
    EXPECT_FALSE(mini.ticking()) << "nothing animates while closed";
    EXPECT_FALSE(FrameClock::of(mini.window()).ticking());
}

}  // namespace
}  // namespace tv
