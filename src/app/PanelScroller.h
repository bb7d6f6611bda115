#pragma once

#include <QScrollArea>

class QScrollBar;

namespace tv {

// Holds the panel's content at the content's own size up to a maximum height; taller content
// scrolls vertically (wheel, keyboard focus, or a thin bar laid over the content's right
// padding, so the panel keeps its width). Follows the content's size as sections come and go.
// A content that can fit itself to the room (RoomFitting) is told the maximum height first.
class PanelScroller : public QScrollArea {
    Q_OBJECT
  public:
    explicit PanelScroller(QWidget* parent = nullptr);

    // Takes ownership of `content`; none clears it (the old content is deleted).
    void setContent(QWidget* content);
    void setMaximumContentHeight(int height);
    int maximumContentHeight() const { return maximumHeight_; }
    // Whether the content is taller than the room it has.
    bool scrolls() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fit();
    void tellRoom();
    void showBar();

    QScrollBar* bar_;
    int maximumHeight_ = QWIDGETSIZE_MAX;
};

}  // namespace tv
