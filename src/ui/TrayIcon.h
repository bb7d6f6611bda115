#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

#include "ui/MenuBarLabel.h"

namespace tv {

// The label's forms for trays that show a square icon, optionally with text beside it.
class TrayIcon {
  public:
    explicit TrayIcon(const MenuBarLabel& label) : label_(label) {}

    // The reading that matters most now: the one in the worst alert colour, else the
    // fullest of CPU and memory; absent when no reading shows.
    std::optional<LabelItem> leading() const;
    // A square of `pixels` showing the leading reading in its colour (the logo when none),
    // drawn to be read in a 22 px slot.
    QImage reading(int pixels, const QColor& primary) const;
    // The logo alone, for hosts that show the readings as text.
    QImage mark(int pixels, const QColor& primary) const;
    // The readings as one line, "26% · 43% · 57°"; and the widest such line.
    QString text() const;
    QString guide() const;

  private:
    const MenuBarLabel& label_;
};

}  // namespace tv
