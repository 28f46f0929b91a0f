#include "services/imaging/text/GdiFont.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <limits>

#include "services/imaging/text/LogFontConversion.h"

namespace {

constexpr qreal kDefaultEmSize = 16;
constexpr int kMaxQFontPixelSize = 16384;

// qRound for metrics that may lie beyond the int range (a layer file's font height of two
// billion pixels, a very long line): such values saturate instead of overflowing.
int saturatedRound(qreal value)
{
    if (std::isnan(value))
        return 0;
    return qRound(std::clamp<qreal>(value, std::numeric_limits<int>::min() + 1.0,
                                    std::numeric_limits<int>::max() - 1.0));
}

int saturatedSum(int a, int b)
{
    return static_cast<int>(
        std::clamp<qint64>(qint64(a) + b, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

GdiFont::GdiFont(const LOGFONTW& record) : m_record(record)
{
    m_face = faceFont(resolvedFamily(record), FontStyleRegular);
    m_face.setWeight(weightFromLogFont(record));
    m_face.setItalic(record.lfItalic != 0);
    m_face.setUnderline(record.lfUnderline != 0);
    m_face.setStrikeOut(record.lfStrikeOut != 0);
    m_metrics = FontFaceMetrics::of(m_face);

    if (record.lfHeight < 0)
        m_emSize = -static_cast<qreal>(record.lfHeight);
    else if (record.lfHeight > 0)
        m_emSize = m_metrics.emSizeForCellHeight(record.lfHeight);
    else
        m_emSize = kDefaultEmSize;

    // A width asks for that average character width: stretch against the natural one.
    const qreal natural = m_metrics.averageCharWidth(m_emSize);
    if (record.lfWidth != 0 && natural > 0)
        m_horizontalScale = std::abs(static_cast<qreal>(record.lfWidth)) / natural;
}

QFont GdiFont::font() const
{
    QFont font = m_face;
    font.setPixelSize(std::clamp(qRound(m_emSize), 1, kMaxQFontPixelSize));
    font.setStretch(std::clamp(qRound(100 * m_horizontalScale), 1, 4000));
    return font;
}

GdiTextMetrics GdiFont::textMetrics() const
{
    GdiTextMetrics tm;
    tm.ascent = saturatedRound(m_metrics.ascent(m_emSize));
    tm.descent = saturatedRound(m_metrics.descent(m_emSize));
    tm.height = saturatedSum(tm.ascent, tm.descent);
    tm.internalLeading = std::max(0, saturatedSum(tm.height, -saturatedRound(m_emSize)));
    tm.externalLeading = saturatedRound(m_metrics.externalLeading(m_emSize));
    tm.aveCharWidth = m_record.lfWidth != 0 ? saturatedRound(std::abs(qreal(m_record.lfWidth)))
                                            : saturatedRound(m_metrics.averageCharWidth(m_emSize));
    tm.maxCharWidth = saturatedRound(m_metrics.maxCharWidth(m_emSize) * m_horizontalScale);
    tm.weight = weightFromLogFont(m_record);
    tm.italic = m_record.lfItalic != 0;
    return tm;
}

GdiTextExtent GdiFont::textExtent(const QString& text, int maxExtent) const
{
    GdiTextExtent extent;
    extent.cy = textMetrics().height;
    if (maxExtent < 0) {
        extent.cx = saturatedRound(lineAdvance(m_face, m_emSize, m_horizontalScale, text));
        extent.fit = static_cast<int>(text.size());
        return extent;
    }
    QList<qreal> carets;
    extent.cx = saturatedRound(lineAdvance(m_face, m_emSize, m_horizontalScale, text, &carets));
    for (qsizetype i = 1; i < carets.size(); ++i) {
        if (saturatedRound(carets.at(i)) > maxExtent)
            break;
        extent.fit = static_cast<int>(i);
    }
    return extent;
}

LaidOutString GdiFont::layOutAt(const QString& text, const QPoint& point) const
{
    return layOutString(m_face, m_emSize, m_horizontalScale, text, QRectF(point, QSizeF(0, 0)),
                        StringFormat::genericTypographic());
}

LaidOutString GdiFont::layOutCentred(const QString& text, const QRect& rect) const
{
    LaidOutString laid = layOutAt(text, QPoint(0, 0));
    const QRectF target(rect);
    const QPointF shift(target.center().x() - laid.box.width() / 2 - laid.box.x(),
                        target.center().y() - laid.box.height() / 2 - laid.box.y());
    laid.path.translate(shift);
    laid.box.translate(shift);
    return laid;
}
