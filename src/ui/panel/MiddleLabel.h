#pragma once

#include <QLabel>

namespace tv {

// A one-line label that shortens its text in the middle to fit its width ("Visual Stu…Code"),
// so both ends of an app's name stay readable; screen readers get the whole text.
class MiddleLabel : public QLabel {
  public:
    MiddleLabel(const QFont& font, QWidget* parent);
    void setFull(const QString& text);
    const QString& full() const { return full_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fit();
    QString full_;
};

}  // namespace tv
