#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace tv {

class PanelScroller;

// The panel's container: a frameless window 360 points wide under the status item, or at
// the pointer when the tray does not say where the item is. Transient — it closes when the
// user clicks elsewhere, that is when it stops being the active window — unless made to
// stay. Escape closes it. It is a tool window rather than a popup menu so that assistive
// technologies see its contents. Its content is built fresh
// at every opening and deleted at every closing; the window takes the content's size, up to
// the room the screen has under the item (or above it, where there is more room there and the
// content does not fit under it) less a margin; taller content scrolls.
class Popup : public QWidget {
    Q_OBJECT
  public:
    static constexpr int width = 360;
    // Kept free between the panel and the screen's edge, and between the item and the panel.
    static constexpr int margin = 8;
    static constexpr int gap = 4;
    using ContentFactory = std::function<QWidget*(QWidget* parent)>;
    // Moves the shown window's top-left to a point through the desktop, where the desktop
    // ignores the position a window asks for; false while the desktop does not know the
    // window yet.
    using Placer = std::function<bool(const QPoint& topLeft)>;
    // The usable area of the screen where the desktop knows it better than the screen does
    // (bars an X client is not told of); a null rectangle where it does not.
    using AreaFinder = std::function<QRect()>;

    explicit Popup(QWidget* parent = nullptr);

    void setContentFactory(ContentFactory factory) { factory_ = std::move(factory); }
    void setDesktopPlacement(Placer placer, AreaFinder area) {
        placer_ = std::move(placer);
        area_ = std::move(area);
    }
    // The content shown now; none while closed.
    QWidget* content() const { return content_; }

    // Whether clicking elsewhere closes it (the default).
    void setTransient(bool transient);
    // The dark or light look; applies at once, also while open.
    void setDark(bool dark);
    void openAt(const QRect& anchor);
    bool isShowing() const { return isVisible(); }
    // Closed by a click outside a moment ago; that click must not open it again.
    bool justClosed() const;
    // The height the content may take before it scrolls; set at each opening.
    int maximumContentHeight() const;

  signals:
    void opened();
    void closed();

  protected:
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void build();
    void place();
    void placeThroughDesktop();

    ContentFactory factory_;
    Placer placer_;
    AreaFinder area_;
    QWidget* content_ = nullptr;
    PanelScroller* scroller_;
    QRect anchor_;
    QRect screen_;
    bool below_ = true;
    bool transient_ = true;
    QElapsedTimer closedAt_;
    QTimer* placing_;
    QPoint placedAt_;
    int placeTries_ = 0;
};

}  // namespace tv
