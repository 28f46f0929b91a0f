#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Turning pictures by the EXIF orientation item (1..8). TurnUpright makes the pixels look as
// the camera meant them; TurnBack is its exact inverse, so that pixels drawn upright can be
// stored the way the camera stored them and the copied orientation item still describes
// them. Values outside 1..8 change nothing.
namespace ImageOrientation {

// True for the orientations whose upright picture has width and height exchanged (5..8).
bool swapsAxes(int orientation);

// The size of the picture after TurnUpright.
QSize uprightSize(const QSize& stored, int orientation);

QImage turnUpright(QImage image, int orientation);
QImage turnBack(QImage image, int orientation);

// Where the pixels of `rect` of an upright picture of `upright` size lie in the stored
// picture: turnBack(upright.copy(rect)) equals turnBack(upright).copy(storedRect(...)).
QRect storedRect(const QRect& rect, const QSize& upright, int orientation);

} // namespace ImageOrientation
