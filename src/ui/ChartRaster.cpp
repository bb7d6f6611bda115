#include "ui/ChartRaster.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tv {

namespace {

// Samples across each column.
constexpr int samples = 4;

// The pixel of premultiplied `rgb` (0-255 each) at `alpha`.
QRgb premultiplied(const float rgb[3], float alpha) {
    auto channel = [alpha](float c) { return static_cast<int>(c * alpha + 0.5f); };
    return qRgba(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]), channel(255));
}

}  // namespace

QImage ChartRaster::render() const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    const int width = size.width(), height = size.height();
    if (curve.size() < 2 || width <= 0 || height <= 0) {
        return image;
    }
    const double half = lineWidth / 2;
    const double base = std::clamp(bottom, 0.0, static_cast<double>(height));
    const double clipRight = std::min(revealRight, static_cast<double>(width));
    // A pixel's centre further than this from the curve gets none of the line: half its width
    // and half a pixel of smoothing.
    const double reach = half + 0.5;
    const int firstColumn =
        std::max(0, static_cast<int>(std::floor(std::max(curve.front().x() - reach, clipLeft))));
    const int endColumn =
        std::min(width, static_cast<int>(std::ceil(std::min(curve.back().x() + reach, clipRight))));
    const float weight = 1.0f / samples;

    // The area's alpha per row, the gradient taken at each row's middle.
    std::vector<float> areaAlpha(static_cast<std::size_t>(height));
    for (int j = 0; j < height; ++j) {
        double t =
            base > clipTop ? std::clamp((j + 0.5 - clipTop) / (base - clipTop), 0.0, 1.0) : 0.0;
        areaAlpha[static_cast<std::size_t>(j)] =
            static_cast<float>(areaTopAlpha + (areaBottomAlpha - areaTopAlpha) * t);
    }
    // How much of row j lies inside the clip.
    auto rowInside = [&](int j) {
        return static_cast<float>(
            std::clamp(std::min(j + 1.0, base) - std::max(j + 0.0, clipTop), 0.0, 1.0));
    };
    const float rgb[3] = {static_cast<float>(color.redF() * 255),
                          static_cast<float>(color.greenF() * 255),
                          static_cast<float>(color.blueF() * 255)};
    const double fullAlpha = color.alphaF();
    // A row wholly under the curve at every sample of a column is the area's own colour there,
    // the same in every such column.
    std::vector<QRgb> underRow(static_cast<std::size_t>(height));
    for (int j = 0; j < height; ++j) {
        underRow[static_cast<std::size_t>(j)] =
            premultiplied(rgb, areaAlpha[static_cast<std::size_t>(j)]);
    }

    // Each piece of the line, ready for the distance of a point to it.
    struct Piece {
        QPointF from, along;
        double inverseLength2, top, bottom;
    };
    std::vector<Piece> pieces;
    pieces.reserve(static_cast<std::size_t>(curve.size()));
    for (qsizetype k = 0; k + 1 < curve.size(); ++k) {
        const QPointF along = curve[k + 1] - curve[k];
        const double length2 = QPointF::dotProduct(along, along);
        pieces.push_back({curve[k], along, length2 > 0 ? 1 / length2 : 0.0,
                          std::min(curve[k].y(), curve[k + 1].y()) - reach,
                          std::max(curve[k].y(), curve[k + 1].y()) + reach});
    }
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();

    std::vector<float> line(static_cast<std::size_t>(height));
    qsizetype piece = 0;  // the first piece that can reach the column
    for (int i = firstColumn; i < endColumn; ++i) {
        const double columnInside =
            std::clamp(std::min(i + 1.0, clipRight) - std::max(i + 0.0, clipLeft), 0.0, 1.0);
        int top = height;

        // Where the area starts, exactly, at four places across the column: each sample covers
        // its share of the column from there down to the bottom.
        double starts[samples];
        int sampled = 0;
        double lowestStart = 0;
        qsizetype under = piece;
        for (int s = 0; s < samples; ++s) {
            const double x = i + (s + 0.5) / samples;
            if (x < std::max(curve.front().x(), clipLeft) ||
                x > std::min(curve.back().x(), clipRight)) {
                continue;
            }
            while (under + 2 < curve.size() && curve[under + 1].x() < x) {
                ++under;
            }
            const QPointF& a = curve[under];
            const QPointF& b = curve[under + 1];
            const double run = b.x() - a.x();
            const double y = run > 1e-9 ? a.y() + (b.y() - a.y()) * (x - a.x()) / run : b.y();
            starts[sampled++] = std::max(y, clipTop);
            lowestStart = std::max(lowestStart, std::max(y, clipTop));
            top = std::min(top, static_cast<int>(std::max(0.0, y)));
        }
        // From this row down to the bottom's row every sample covers the whole row.
        const int wholeFrom = static_cast<int>(std::ceil(lowestStart));
        auto wholeRow = [&](int j) { return j >= wholeFrom && j + 1 <= base; };
        auto areaOf = [&](int j) {
            if (wholeRow(j)) {
                return static_cast<float>(sampled) * weight;
            }
            float cover = 0;
            for (int k = 0; k < sampled; ++k) {
                cover += static_cast<float>(
                    std::clamp(std::min(j + 1.0, base) - std::max(j + 0.0, starts[k]), 0.0, 1.0));
            }
            return cover * weight;
        };

        // The line: each pixel covered by how far its centre is from the curve, which makes
        // its ends and its turns round as a stroke's are.
        const double centreX = i + 0.5;
        while (piece + 2 < curve.size() &&
               std::max(curve[piece].x(), curve[piece + 1].x()) < centreX - reach) {
            ++piece;
        }
        double high = height, low = 0;
        qsizetype last = piece;
        for (; last + 1 < curve.size() &&
               std::min(curve[last].x(), curve[last + 1].x()) <= centreX + reach;
             ++last) {
            high = std::min({high, curve[last].y(), curve[last + 1].y()});
            low = std::max({low, curve[last].y(), curve[last + 1].y()});
        }
        const int firstRow = std::max(0, static_cast<int>(std::floor(high - reach)));
        const int endRow = std::min(height, static_cast<int>(std::ceil(low + reach)));
        std::fill(line.begin() + firstRow, line.begin() + std::max(firstRow, endRow), 0.0f);
        const double outside = reach * reach;
        for (int j = firstRow; j < endRow; ++j) {
            const QPointF centre(centreX, j + 0.5);
            double nearest = outside;
            for (qsizetype k = piece; k < last; ++k) {
                const Piece& p = pieces[static_cast<std::size_t>(k)];
                // A piece wholly above or below the pixel's reach cannot be nearer.
                if (p.top > centre.y() || p.bottom < centre.y()) {
                    continue;
                }
                const QPointF from = centre - p.from;
                const double t =
                    std::clamp(QPointF::dotProduct(from, p.along) * p.inverseLength2, 0.0, 1.0);
                const QPointF off = from - t * p.along;
                nearest = std::min(nearest, QPointF::dotProduct(off, off));
            }
            if (nearest >= outside) {
                continue;
            }
            const double cover =
                std::clamp(half + 0.5 - std::sqrt(nearest), 0.0, std::min(lineWidth, 1.0));
            line[static_cast<std::size_t>(j)] = static_cast<float>(cover);
            top = std::min(top, j);
        }

        const double across =
            fullWidth > clipLeft
                ? std::clamp((centreX - clipLeft) / (fullWidth - clipLeft), 0.0, 1.0)
                : 1.0;
        const float lineAlpha = static_cast<float>(
            (lineLeftAlpha + (fullAlpha - lineLeftAlpha) * across) * columnInside);
        for (int j = top; j < height; ++j) {
            auto* pixels = reinterpret_cast<QRgb*>(bits + stride * j);
            const auto row = static_cast<std::size_t>(j);
            const bool onLine = j >= firstRow && j < endRow;
            if (!onLine && sampled == samples && wholeRow(j)) {
                pixels[i] = underRow[row];
                continue;
            }
            const float stroke = onLine ? line[row] * lineAlpha * rowInside(j) : 0.0f;
            const float fill = std::min(areaOf(j), 1.0f) * areaAlpha[row];
            const float alpha = stroke + fill * (1 - stroke);
            if (alpha > 0) {
                pixels[i] = premultiplied(rgb, alpha);
            }
        }
    }
    return image;
}

}  // namespace tv
