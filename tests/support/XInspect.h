#pragma once

#include <QImage>
#include <QRect>

#include <optional>
#include <string>

struct xcb_connection_t;

namespace tv::test {

// Looks at a running X display from outside, as a person at the screen would.
class XInspect {
  public:
    explicit XInspect(const std::string& display);
    ~XInspect();
    XInspect(const XInspect&) = delete;
    XInspect& operator=(const XInspect&) = delete;

    bool connected() const;
    // The first window whose WM_NAME is `name` and whose parent's WM_NAME is `parent`
    // (any parent when empty): its place on screen, when it is mapped.
    std::optional<QRect> window(const std::string& name, const std::string& parent = "");
    // The screen's pixels in `area`.
    QImage grab(const QRect& area);

  private:
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace tv::test
