#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPainterPath>
#include <QVariantAnimation>

namespace tv {

// A 22-point capsule with a medium label; stronger under the pointer, a little smaller while
// pressed; red when destructive.
class PillButton : public QAbstractButton {
    Q_OBJECT
  public:
    PillButton(const QString& text, bool destructive = false, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // A symbol drawn before the label in the label's colour: `shape` fills a 1 × 1 box and is
    // drawn at the label's cap height.
    void setSymbol(const QPainterPath& shape);
    bool hasSymbol() const { return !symbol_.isEmpty(); }
    // How far the hover fill and the press shrink have eased in (0 → 1, over 0.11 s).
    double hoverShown() const { return hoverShown_; }
    double pressShown() const { return pressShown_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    static void easeTo(QVariantAnimation& ease, double from, bool on);

    bool destructive_;
    double hoverShown_ = 0;
    double pressShown_ = 0;
    QVariantAnimation hoverEase_;
    QVariantAnimation pressEase_;
    QPainterPath symbol_;
};

// A 24-point capsule for the coloured status card: white with dark text when filled, else
// white at low opacity with white text.
class CardButton : public QAbstractButton {
    Q_OBJECT
  public:
    CardButton(const QString& text, bool filled, QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool filled_;
};

// Panel font 10 pt semibold, upper case, letter-spaced 0.6, secondary.
class SectionTitle : public QLabel {
    Q_OBJECT
  public:
    explicit SectionTitle(const QString& text, QWidget* parent = nullptr);
};

}  // namespace tv
