#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>

#include "platform/TrayEmbedder.h"

class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace tv {

// TallyVane's place in the tray. Where the tray embeds windows, this widget itself is docked
// and is exactly as wide as the label, on a transparent background where the tray blends its
// icons and on the palette's window colour where it does not; elsewhere the label becomes the icon
// of an ordinary tray icon (StatusNotifierItem hosts), and the panel opens at the pointer.
class StatusItem : public QWidget {
    Q_OBJECT
  public:
    explicit StatusItem(std::unique_ptr<TrayEmbedder> embedder, QWidget* parent = nullptr);
    ~StatusItem() override;

    // Puts the item into the tray.
    void install();
    // The label to show; `monochrome` draws it in the tray's text colour.
    void setLabel(const QImage& image, const QString& accessibleText);

    // Where the item is on screen; a null rectangle when the tray does not say.
    QRect anchor() const;
    // Device pixels per point of the screen the item is on.
    double scale() const;
    // The colour of text in the tray.
    QColor textColor() const;
    // The docked item's size, in points, for a label of `label` points.
    static QSize slotFor(const QSizeF& label);

  signals:
    void clicked();
    // The entries of the item's menu (a right click on the item).
    void openRequested();
    void settingsRequested();
    void quitRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // Checks the tray slot a few times after docking and after each change of width, until
    // the tray has made room for the whole label.
    void checkSlotSoon();
    // The tray menu, built at first use.
    QMenu& menu();

    std::unique_ptr<TrayEmbedder> embedder_;
    QTimer* slotCheck_ = nullptr;
    int slotChecksLeft_ = 0;
    QSystemTrayIcon* fallback_ = nullptr;
    QMenu* menu_ = nullptr;
    QImage image_;
    bool docked_ = false;
    bool transparent_ = false;  // the tray blends the slot over its own background
};

}  // namespace tv
