#include "render/LayerPlacement.h"

#include "model/PlacementGrid.h"

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
    qreal x = 0;
    qreal y = 0;
    switch (cell.horizontal) {
    case HorizontalAnchor::Left:
        break;
    case HorizontalAnchor::Centre:
        x = centre(canvas.width(), item.width());
        break;
    case HorizontalAnchor::Right:
        x = canvas.width() - item.width();
        break;
    }
    switch (cell.vertical) {
    case VerticalAnchor::Top:
        break;
    case VerticalAnchor::Centre:
        y = centre(canvas.height(), item.height());
        break;
    case VerticalAnchor::Bottom:
        y = canvas.height() - item.height();
        break;
    }
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

} // namespace LayerPlacement
