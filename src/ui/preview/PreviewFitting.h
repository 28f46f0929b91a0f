#pragma once

#include <QRect>
#include <QSize>

// Where the output preview draws a picture of `image` size in the picture area: a picture
// smaller than the area in both directions keeps its size and is centred; any other is
// shrunk to the area's full width or full height, keeping its proportions, and centred.
// A picture is never enlarged. Halves and the fitted side are integer arithmetic, as the
// window always did, so positions may be one pixel off the exact centre.
QRect fitPreviewRect(const QSize& image, const QRect& area);
