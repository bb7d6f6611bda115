#pragma once

#include <QAbstractButton>

namespace tv {

// The pages' back button: "chevron.left" at 10 points, bold, with the tooltip and accessible
// name "Back".
class BackButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit BackButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {22, 22}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tv
