#pragma once

#include <QColor>
#include <QImage>

namespace tv::test {

// How many pixels of an image are not fully transparent.
inline int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0;
        }
    }
    return count;
}

// How many pixels are of a strong colour (saturated and bright): the health card's tints
// (green-blue, orange or red), which nothing else in the panel has.
inline int cardPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor c(image.pixel(x, y));
            count += c.saturation() > 120 && c.value() > 120;
        }
    }
    return count;
}

}  // namespace tv::test
