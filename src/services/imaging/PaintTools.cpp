#include "services/imaging/PaintTools.h"

#include <QImage>
#include <QLinearGradient>

namespace PaintTools {

QRgb argbFromColorRef(quint32 colorRef, int alpha)
{
    const quint32 red = colorRef & 0xFF;
    const quint32 green = (colorRef >> 8) & 0xFF;
    const quint32 blue = (colorRef >> 16) & 0xFF;
    return (quint32(alpha) & 0xFF) << 24 | red << 16 | green << 8 | blue;
}

QColor colorFromColorRef(quint32 colorRef, int alpha)
{
    return QColor::fromRgba(argbFromColorRef(colorRef, alpha));
}

QPen roundJoinPen(const QColor& color, qreal width)
{
    return QPen(QBrush(color), qMax<qreal>(0, width), Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
}

QBrush solidBrush(const QColor& color)
{
    return QBrush(color);
}

QBrush tiledLinearGradient(const QPointF& from, const QPointF& to, const QColor& begin, const QColor& end)
{
    if (from == to)
        return QBrush(Qt::NoBrush);
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0, begin);
    gradient.setColorAt(1, end);
    gradient.setSpread(QGradient::RepeatSpread);
    return QBrush(gradient);
}

QBrush darkDownwardDiagonalHatch(const QColor& foreground, const QColor& background)
{
    if (foreground == background)
        return QBrush(foreground);
    constexpr int kTile = 8;
    QImage tile(kTile, kTile, QImage::Format_ARGB32_Premultiplied);
    const QRgb fore = foreground.rgba64().premultiplied().toArgb32();
    const QRgb back = background.rgba64().premultiplied().toArgb32();
    for (int y = 0; y < kTile; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        for (int x = 0; x < kTile; ++x)
            line[x] = ((x - y) & 3) < 2 ? fore : back;
    }
    return QBrush(tile);
}

} // namespace PaintTools
