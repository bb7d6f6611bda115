#pragma once

#include <QRect>
#include <QString>

#include <vector>

namespace tv {

// The files of a capture folder other than the stills. Each write reports whether it
// happened; a folder that does not exist is never created.
namespace CaptureFiles {

// "menubar-001.png" for the first recorded frame.
QString frameName(int number);
// "screen.json": {"x", "y", "width", "height"} in points, x and y measured from the top left
// of the primary screen `primary`.
bool writeScreen(const QString& folder, const QRect& panel, const QRect& primary);
// "times.json": the recorded frames' times, seconds since 1970, in frame order.
bool writeTimes(const QString& folder, const std::vector<double>& times);

}  // namespace CaptureFiles

}  // namespace tv
