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

} // namespace LayerPlacement
