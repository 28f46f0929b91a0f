#include "render/TextAutoScale.h"

#include <QRectF>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/WatermarkConf.h"
#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/GdiArithmetic.h"
#include "services/imaging/text/GdiFont.h"
#include "services/imaging/text/StringLayout.h"

namespace {

// trunc(value) as a 32-bit integer; values beyond the range stop at its ends.
std::int32_t truncated(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

qsizetype unitsUpToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text.size() : nul;
}

} // namespace

LOGFONTW autoScaledFont(const LOGFONTW& font, const QString& text, const QSize& canvas)
{
    const std::int32_t n = static_cast<std::int32_t>(std::clamp<qsizetype>(unitsUpToNul(text), 1, 1 << 30));

    const QSizeF box =
        measureString(DrawingFont::fromLogFont(font), text, QRectF(0, 0, 100000, 1000), nullptr);
    const std::int32_t tw0 = truncated(box.width() * canvas.width() / double(kDesignCanvasWidth));
    const std::int32_t th0 = truncated(box.height() * canvas.height() / double(kDesignCanvasHeight));

    LOGFONTW probe = font;
    probe.lfHeight = -MulDiv(th0, kLogicalDpi, 72);
    probe.lfWidth = -MulDiv(tw0 / n, kLogicalDpi, 72);

    const GdiFont classic(probe);
    const GdiTextExtent extent = classic.textExtent(text.left(unitsUpToNul(text)), tw0);
    const GdiTextMetrics metrics = classic.textMetrics();

    LOGFONTW scaled = font;
    scaled.lfWidth = MulDiv(probe.lfWidth, tw0, extent.cx);
    scaled.lfHeight = MulDiv(probe.lfHeight, th0, extent.cy - metrics.externalLeading);
    return scaled;
}
