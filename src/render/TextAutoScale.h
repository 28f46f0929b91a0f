#pragma once

#include <QSize>
#include <QString>

#include "services/imaging/text/LogFontW.h"

// Auto-scaling of a text layer to the photo: returns `font` with a new height and width such
// that the text's box covers the same fraction of a W x H canvas as the box of the unscaled
// font covers of the 677 x 625 design canvas.
//
// Steps: measure the text with the drawing font of `font` (default string format, layout
// box 100000 x 1000) giving bw x bh; target box tw0 = trunc(bw * W / 677),
// th0 = trunc(bh * H / 625); probe record = `font` with height -MulDiv(th0, 96, 72) and width
// -MulDiv(tw0 div n, 96, 72) (n = UTF-16 units of the text, at least 1); measure the text's
// classic extent (cx, cy) and metrics with the probe; result height =
// MulDiv(probe height, th0, cy - external leading), width = MulDiv(probe width, tw0, cx).
LOGFONTW autoScaledFont(const LOGFONTW& font, const QString& text, const QSize& canvas);
