#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

namespace tv {

class AppShell;

// The views a capture takes stills of, in the order they are written, each built afresh for
// rendering only, with the running program's Monitor and settings; none is ever shown.
namespace CaptureViews {

struct Still {
    QString file;  // "window.png", …
    std::unique_ptr<QWidget> view;
};

// A fresh dashboard without its entrance animation; the settings page and the rating form
// (4 stars, then sent with 2) with 12 points of padding in a 360 × 727 point frame; the crash
// report notice above the rating request, 360 points wide in the panel font at 11 points;
// and the sheet of quit states. In the panel's `dark` or light look.
std::vector<Still> build(AppShell& shell, bool dark);

}  // namespace CaptureViews

}  // namespace tv
