#include "render/LayerPlacement.h"

#include "model/PlacementGrid.h"

namespace LayerPlacement {

QPointF textAnchor(int location, const QSize& canvas, const QSizeF& text, int offsetH, int offsetV)
{
    const PlacementCell cell = PlacementCellFor(location);
    qreal x = 0;
    qreal y = 0;
    switch (cell.horizontal) {
    case HorizontalAnchor::Left:
        break;
    case HorizontalAnchor::Centre:
        x = (canvas.width() / 2) - text.width() * 0.5;
        break;
    case HorizontalAnchor::Right:
        x = canvas.width() - text.width();
        break;
    }
    switch (cell.vertical) {
    case VerticalAnchor::Top:
        break;
    case VerticalAnchor::Centre:
        y = (canvas.height() / 2) - text.height() * 0.5;
        break;
    case VerticalAnchor::Bottom:
        y = canvas.height() - text.height();
        break;
    }
    return QPointF(x + offsetH, y + offsetV);
}

QPointF pictureAnchor(int location, const QSize& canvas, const QSize& picture, int offsetH, int offsetV)
{
    const PlacementCell cell = PlacementCellFor(location);
    qreal x = 0;
    qreal y = 0;
    switch (cell.horizontal) {
    case HorizontalAnchor::Left:
        break;
    case HorizontalAnchor::Centre:
        x = canvas.width() * 0.5 - (picture.width() / 2);
        break;
    case HorizontalAnchor::Right:
        x = canvas.width() - picture.width();
        break;
    }
    switch (cell.vertical) {
    case VerticalAnchor::Top:
        break;
    case VerticalAnchor::Centre:
        y = canvas.height() * 0.5 - (picture.height() / 2);
        break;
    case VerticalAnchor::Bottom:
        y = canvas.height() - picture.height();
        break;
    }
    return QPointF(x + offsetH, y + offsetV);
}

} // namespace LayerPlacement
