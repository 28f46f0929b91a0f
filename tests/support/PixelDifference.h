#pragma once

#include <QImage>

#include <algorithm>
#include <cstdlib>

// How far two pictures of one size lie apart, pixel by pixel.
namespace PixelDifference {

// Calls `visit(p, q)` for each pair of pixels at one place, both pictures converted to `format`.
template <typename Visit>
void visitPairs(const QImage& a, const QImage& b, QImage::Format format, Visit visit)
{
    const QImage x = a.convertToFormat(format);
    const QImage y = b.convertToFormat(format);
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col)
            visit(x.pixel(col, row), y.pixel(col, row));
    }
}

// The mean difference per colour channel.
inline double mean(const QImage& a, const QImage& b)
{
    double sum = 0;
    visitPairs(a, b, QImage::Format_RGB32, [&sum](QRgb p, QRgb q) {
        sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    });
    return sum / (3.0 * a.width() * a.height());
}

// The largest difference of any channel, alpha included; colours under a fully transparent
// pixel do not count. 1000 for pictures of different sizes.
inline int largest(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1000;
    int worst = 0;
    visitPairs(a, b, QImage::Format_ARGB32, [&worst](QRgb p, QRgb q) {
        worst = std::max(worst, std::abs(qAlpha(p) - qAlpha(q)));
        if (qAlpha(p) != 0 || qAlpha(q) != 0) {
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    });
    return worst;
}

} // namespace PixelDifference
