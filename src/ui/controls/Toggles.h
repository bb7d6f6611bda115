#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "ui/controls/Spring.h"

namespace tv {

// A 26 × 15 capsule switch whose knob slides on a spring (response 0.22 s, damping 0.85);
// plays "Switch" when flipped.
class Switch : public QAbstractButton {
    Q_OBJECT
  public:
    explicit Switch(std::function<void(const char*)> play = {}, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {26, 15}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;

  private:
    std::function<void(const char*)> play_;
    double knob_ = 0;
    SpringAnimation slide_;
};

// A row of options, 20 points high, with a thumb that slides to the chosen one (response
// 0.3 s, damping 0.85); plays "Select" when the choice changes. Each option is also a
// checkable button of its own, drawn by the row, so that a screen reader names the options,
// tells which is chosen and can choose one.
class Segmented : public QWidget {
    Q_OBJECT
  public:
    Segmented(QStringList options, std::function<void(const char*)> play = {},
              QWidget* parent = nullptr);
    int selected() const { return selected_; }
    void setSelected(int index);
    QSize sizeHint() const override;

  signals:
    void selectedChanged(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QRectF optionRect(int index) const;

    QStringList options_;
    std::vector<QAbstractButton*> buttons_;  // one per option, for assistive technology
    std::function<void(const char*)> play_;
    int selected_ = 0;
    double thumb_ = 0;  // position of the thumb, in options
    SpringAnimation slide_;
};

// An open arc (72 % of a circle), 1.5 wide with round caps, turning at a constant speed.
class Spinner : public QWidget {
    Q_OBJECT
  public:
    // Drawn in a fixed colour (white on the status card, say).
    explicit Spinner(QColor color, QWidget* parent = nullptr);
    // Drawn in the secondary text colour of the look it is shown in, following the look
    // when it changes between light and dark.
    explicit Spinner(QWidget* parent = nullptr);
    // Whether it should turn; it turns while that holds and it is shown, so one told to turn
    // before its view opens turns once it is on screen.
    void setTurning(bool turning);
    bool turning() const;
    QColor color() const;
    QSize sizeHint() const override { return {14, 14}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void follow();

    std::optional<QColor> color_;
    bool wanted_ = false;
    double angle_ = 0;
    QVariantAnimation turn_;
};

}  // namespace tv
