#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/StringLayout.h"

// Functions that render test text and classify the pixels around its outline.
namespace PaintProbe {

inline QImage blank(int width = 420, int height = 300)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The path that a strategy draws for this text, font and point with the typographic format.
inline QPainterPath textPath(const QString& family, int emSize, const QString& text, const QPoint& point)
{
    return textPathAt(DrawingFont{family, qreal(emSize), FontStyleBold}, text, QPointF(point),
                      &StringFormat::genericTypographic());
}

// Pixels covered by the path filled (stroke width 0) or by its outline stroked with `width`.
inline QImage coverage(const QPainterPath& path, qreal strokeWidth, QSize size = QSize(420, 300))
{
    QImage image = blank(size.width(), size.height());
    QPainter painter(&image);
    if (strokeWidth <= 0)
        painter.fillPath(path, Qt::black);
    else
        painter.strokePath(path, QPen(Qt::black, strokeWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    return image;
}

inline bool covered(const QImage& mask, int x, int y)
{
    return qAlpha(mask.pixel(x, y)) == 255;
}

inline bool touched(const QImage& mask, int x, int y)
{
    return qAlpha(mask.pixel(x, y)) > 0;
}

// Summary of an image's alpha over pixel classes.
struct Stats
{
    double sum = 0;
    int count = 0;
    int max = 0;
    void add(int alpha)
    {
        sum += alpha;
        ++count;
        max = std::max(max, alpha);
    }
    double mean() const { return count ? sum / count : 0; }
};

inline qint64 totalAlpha(const QImage& image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

// The smallest rectangle holding every pixel with alpha > 0 (empty when none).
inline QRect paintedBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace PaintProbe
