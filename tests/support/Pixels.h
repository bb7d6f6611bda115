#pragma once

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

}  // namespace tv::test
