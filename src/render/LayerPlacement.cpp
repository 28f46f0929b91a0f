#include "render/LayerPlacement.h"

#include "model/PlacementGrid.h"

#include <algorithm>
#include <cmath>

namespace LayerPlacement {

namespace {

// The start coordinate of an item of size `item` centred on a canvas axis of size `canvas`.
using CentreRule = qreal (*)(int canvas, qreal item);

// Text: integer half of the canvas, exact half of the text.
qreal centreText(int canvas, qreal item)
{
    return (canvas / 2) - item * 0.5;
}

// Picture: exact half of the canvas, integer half of the picture (whose size is whole pixels).
qreal centrePicture(int canvas, qreal item)
{
    return canvas * 0.5 - (static_cast<int>(item) / 2);
}

QPointF anchor(int location, const QSize& canvas, const QSizeF& item, int offsetH, int offsetV,
               CentreRule centre)
{
    const PlacementCell cell = placementCellFor(location);
    // The start on one axis: at the canvas's start, centred, or at its end.
    const auto along = [centre](bool start, bool end, int canvasSize, qreal itemSize) -> qreal {
        return start ? 0 : end ? canvasSize - itemSize : centre(canvasSize, itemSize);
    };
    const qreal x = along(cell.horizontal == HorizontalAnchor::Left,
                          cell.horizontal == HorizontalAnchor::Right, canvas.width(), item.width());
    const qreal y = along(cell.vertical == VerticalAnchor::Top, cell.vertical == VerticalAnchor::Bottom,
                          canvas.height(), item.height());
    return QPointF(x + offsetH, y + offsetV);
}

} // namespace

QPointF textAnchor(int location, const QSize& canvas, const QSizeF& text, int offsetH, int offsetV)
{
    return anchor(location, canvas, text, offsetH, offsetV, centreText);
}

QPointF pictureAnchor(int location, const QSize& canvas, const QSize& picture, int offsetH, int offsetV)
{
    return anchor(location, canvas, QSizeF(picture), offsetH, offsetV, centrePicture);
}

namespace {

int third(qreal centre, int length)
{
    if (length <= 0)
        return 0;
    return std::clamp(static_cast<int>(std::floor(centre * 3 / length)), 0, 2);
}

int rounded(qreal value)
{
    return static_cast<int>(std::clamp<qreal>(std::round(value), -32767, 32767));
}

Placement nearest(const QSize& canvas, const QSizeF& item, const QPointF& topLeft, CentreRule centre)
{
    const QPointF middle = topLeft + QPointF(item.width() / 2, item.height() / 2);
    Placement placement;
    placement.location = third(middle.y(), canvas.height()) * 3 + third(middle.x(), canvas.width());
    const QPointF cellAnchor = anchor(placement.location, canvas, item, 0, 0, centre);
    placement.offsetH = rounded(topLeft.x() - cellAnchor.x());
    placement.offsetV = rounded(topLeft.y() - cellAnchor.y());
    return placement;
}

} // namespace

Placement nearestTextPlacement(const QSize& canvas, const QSizeF& text, const QPointF& topLeft)
{
    return nearest(canvas, text, topLeft, centreText);
}

Placement nearestPicturePlacement(const QSize& canvas, const QSize& picture, const QPointF& topLeft)
{
    return nearest(canvas, QSizeF(picture), topLeft, centrePicture);
}

} // namespace LayerPlacement
