#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include "services/imaging/text/FontFaceMetrics.h"
#include "services/imaging/text/LogFontW.h"
#include "services/imaging/text/StringLayout.h"

// Extent of a string in a classic font, in whole pixels.
struct GdiTextExtent
{
    int cx = 0;  // advance width of the whole string, trailing spaces included
    int cy = 0;  // cell height: ascent + descent
    int fit = 0; // number of characters that fit in the maximum extent (all when none given)
};

// Metrics of a classic font, in whole pixels.
struct GdiTextMetrics
{
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0; // height - em height
    int externalLeading = 0; // extra line gap the face asks for
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = 400;
    bool italic = false;
};

// A classic font made from a logical-font record at 96 DPI. Unlike a drawing font it honours
// the record's width: a non-zero width is the average character width in pixels (its sign
// is ignored) and stretches glyphs and advances horizontally against the face's natural
// average width. It also keeps the record's exact weight.
class GdiFont
{
public:
    explicit GdiFont(const LOGFONTW& record);

    const LOGFONTW& record() const { return m_record; }
    qreal emSize() const { return m_emSize; }
    // Horizontal stretch of glyphs and advances; 1 when the record's width is 0.
    qreal horizontalScale() const { return m_horizontalScale; }

    // A QFont with the face, weight, italic, underline, strike-out, the em size rounded to
    // whole pixels and the horizontal stretch as a percentage.
    QFont font() const;

    GdiTextMetrics textMetrics() const;

    // Extent of the string; with maxExtent >= 0 also counts the characters (UTF-16 units)
    // whose cumulative advance stays within it.
    GdiTextExtent textExtent(const QString& text, int maxExtent = -1) const;

    // The text's outlines as the text output call draws them from a point: the point is the
    // top-left of the first character cell.
    LaidOutString layOutAt(const QString& text, const QPoint& point) const;

    // The text's outlines centred horizontally and vertically in a rectangle.
    LaidOutString layOutCentred(const QString& text, const QRect& rect) const;

private:
    LOGFONTW m_record;
    QFont m_face;
    FontFaceMetrics m_metrics;
    qreal m_emSize = 0;
    qreal m_horizontalScale = 1;
};
