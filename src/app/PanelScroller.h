#pragma once

#include <QScrollArea>

namespace tv {

// Holds the panel's content at the content's own size up to a maximum height; taller content
// scrolls vertically, with the scroll bar beside it rather than over it. Follows the
// content's size as sections come and go.
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

  private:
    void fit();

    int maximumHeight_ = QWIDGETSIZE_MAX;
};

}  // namespace tv
