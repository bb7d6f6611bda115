#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

namespace tv {

// The files of a capture folder. Each write reports whether it happened; a folder that does
// not exist is never created.
//
// Every file is put in place whole, under its own name in the folder: written to a new file
// beside it and renamed over the name. Whatever had the name before (a link planted there to
// a file elsewhere included) is replaced, never written through, so nothing outside the
// folder is ever touched, and whoever watches the folder never reads half a file.
namespace CaptureFiles {

// `bytes` as the file `name` (a plain name, no folders) in `folder`.
bool put(const QString& folder, const QString& name, const QByteArray& bytes);
// `image` as a PNG file.
bool putPng(const QString& folder, const QString& name, const QImage& image);

// "menubar-001.png" for the first recorded frame.
QString frameName(int number);
// "screen.json": {"x", "y", "width", "height"} in points, x and y measured from the top left
// of the primary screen `primary`.
bool writeScreen(const QString& folder, const QRect& panel, const QRect& primary);
// "times.json": the recorded frames' times, seconds since 1970, in frame order.
bool writeTimes(const QString& folder, const std::vector<double>& times);

}  // namespace CaptureFiles

}  // namespace tv
