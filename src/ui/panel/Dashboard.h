#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "core/Panel.h"
#include "ui/controls/RoomFitting.h"
#include "ui/controls/Spring.h"

namespace tv {

class AppIcons;
class AppListSection;
class CpuDetail;
class Footer;
class GpuDetail;
class HeatDetail;
class HeldList;
class MemoryDetail;
class Monitor;
class ReadingRows;
class Settings;
class StatusCard;

// What a dashboard is made with.
struct DashboardParts {
    Monitor* monitor = nullptr;
    Settings* settings = nullptr;  // "panel" and "sortByCPU" are kept here
    AppIcons* icons = nullptr;
    std::function<void(const char*)> play;  // plays a named sound ("Select")
    std::function<double()> clock;          // monotonic seconds
    bool fahrenheit = false;
    bool animateIn = true;  // play the staged reveal on appearing
    bool hasSystemMonitor = false;
};

// The panel's one view, built fresh at each opening: the health card, the held list (while
// anything is held), the four reading rows, the app list and the footer, 360 points wide.
// It only reads the Monitor and calls its quit and hold operations.
//
// Pages: showPage() lays another view (the settings page, the rating form) over the
// dashboard: the page fades in sliding 24 points from the right while the dashboard fades
// out moving 24 points left and is disabled and hidden from accessibility. closePage()
// reverses it and deletes the page. The panel takes the size of what is shown.
//
// Given less room than it needs (a 768-pixel-high screen), the dashboard shortens the app
// list's frame, whose rows then scroll, so the card, the readings and the footer stay whole.
class Dashboard : public QWidget, public RoomFitting {
    Q_OBJECT
  public:
    static constexpr int panelWidth = 360;

    explicit Dashboard(DashboardParts parts, QWidget* parent = nullptr);
    ~Dashboard() override;

    // Takes ownership of `page`; a page already shown is replaced.
    void showPage(QWidget* page);
    void closePage();
    QWidget* page() const { return page_; }

    // Whether the charts scroll: the panel is open and no page covers the dashboard.
    void setOpen(bool open);
    bool live() const { return live_; }

    // Reads the Monitor again; also done on each of its changes.
    void refresh();

    QSize sizeHint() const override;
    void setRoom(int height) override;

    StatusCard& card() { return *card_; }
    HeldList& heldList() { return *held_; }
    ReadingRows& readings() { return *readings_; }
    AppListSection& apps() { return *apps_; }
    Footer& footer() { return *footer_; }
    CpuDetail& cpuDetail() { return *cpuDetail_; }
    HeatDetail& heatDetail() { return *heatDetail_; }
    QWidget& content() { return *content_; }

  signals:
    void settingsRequested();
    void systemMonitorRequested();
    void quitRequested();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static int heightOf(const QWidget& view);
    void place();
    void setPageProgress(double progress);
    void updateLive();
    void refreshCard();
    void refreshHeld();
    void setHeldProgress(double progress);
    void refreshRows();
    void fitRoom();

    DashboardParts parts_;
    Monitor& monitor_;
    QWidget* content_;
    StatusCard* card_;
    HeldList* held_;
    ReadingRows* readings_;
    CpuDetail* cpuDetail_;
    MemoryDetail* memoryDetail_;
    GpuDetail* gpuDetail_;
    HeatDetail* heatDetail_;
    AppListSection* apps_;
    Footer* footer_;
    QPointer<QWidget> page_;
    QPointer<QWidget> leaving_;
    double pageProgress_ = 0;
    SpringAnimation pageSlide_;
    // The held list grows in from the top while fading in, and back out; 0 gone, 1 shown.
    SpringAnimation heldSlide_;
    double heldProgress_ = 0;
    bool heldShown_ = false;
    bool open_ = false;
    bool live_ = false;
    bool opened_ = false;
    int room_ = 0;
};

}  // namespace tv
