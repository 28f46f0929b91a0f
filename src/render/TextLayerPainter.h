#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

class QPainter;
struct WatermarkConf;

// Draws the text part of one layer onto a canvas whose placement size is W x H (`canvas`;
// in the editor preview this is the preview area's size, not the picture's).
//
// Order: auto-scaling of the font (when ScaleTextWT is on), measuring with the generic
// typographic format, placement, then under a rotation of -Rotation degrees about the
// anchor: the diffused shadow through the text outline engine, the outline, the 3D copies,
// the fill, the gradient fill and the repetition over the canvas.
namespace TextLayerPainter {

void draw(QPainter& painter, const WatermarkConf& conf, const QSize& canvas);

// Where draw() puts the text (as written in the record: fields are not filled): the text box's
// top-left point with the offsets (the point it turns about), the measured box, the bounds
// of the glyph outlines laid out from that point before the turn, and the em size drawn.
struct Layout
{
    QPointF anchor;
    QSizeF size;
    QRectF glyphs;
    qreal emSize = 0;
};
Layout layout(const WatermarkConf& conf, const QSize& canvas);

} // namespace TextLayerPainter
