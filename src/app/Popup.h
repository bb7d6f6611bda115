#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

namespace tv {

class Monitor;

// The panel's container: a frameless window 360 points wide under the status item, or at
// the pointer when the tray does not say where the item is. Transient — it closes when the
// user clicks elsewhere — unless made to stay. Its content is built fresh at every opening.
class Popup : public QWidget {
    Q_OBJECT
  public:
    static constexpr int width = 360;

    explicit Popup(Monitor& monitor, QWidget* parent = nullptr);

    // Whether clicking elsewhere closes it (the default).
    void setTransient(bool transient);
    void openAt(const QRect& anchor);
    bool isShowing() const { return isVisible(); }
    // Closed by a click outside a moment ago; that click must not open it again.
    bool justClosed() const;

  signals:
    void closed();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void build();

    Monitor& monitor_;
    QWidget* content_ = nullptr;
    QElapsedTimer closedAt_;
    // Through XWayland a popup's grab misses native Wayland windows: the panel is then a
    // managed tool window that closes when it loses the focus.
    bool managed_ = false;
    bool transient_ = true;
};

}  // namespace tv
