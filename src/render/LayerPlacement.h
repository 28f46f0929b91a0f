#pragma once

#include <QPointF>
#include <QSize>
#include <QSizeF>

// Where a layer's text or picture goes on a canvas of W x H pixels: the anchor cell of the
// placement grid (0..8, anything else = top-left corner) plus the layer's pixel offsets.
namespace LayerPlacement {

// Top-left point of a text box of size `text`: centred = (W div 2) - width / 2 (integer
// half of the canvas, exact half of the text), right or bottom = W - width.
QPointF textAnchor(int location, const QSize& canvas, const QSizeF& text, int offsetH, int offsetV);

// Top-left point of a picture drawn `picture` pixels large: centred = W / 2 - (width div 2)
// (exact half of the canvas, integer half of the picture).
QPointF pictureAnchor(int location, const QSize& canvas, const QSize& picture, int offsetH, int offsetV);

// A text or picture moved so that its box's top-left point lies at `topLeft`: the cell of the
// grid nearest to it (the third of the canvas, each way, that holds the box's centre) and the
// whole-pixel offsets from that cell's anchor which put it back there (rounded).
struct Placement
{
    int location = 0;
    int offsetH = 0;
    int offsetV = 0;
};
Placement nearestTextPlacement(const QSize& canvas, const QSizeF& text, const QPointF& topLeft);
Placement nearestPicturePlacement(const QSize& canvas, const QSize& picture, const QPointF& topLeft);

} // namespace LayerPlacement
