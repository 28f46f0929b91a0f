#pragma once

#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/StringFormat.h"

// A string laid out as glyph outlines in pixel coordinates.
//
// Lines: "\r\n", "\r" and "\n" break lines, the text ends at its first NUL character.
// Every line is `lineSpacing` high (cell height plus external leading of the font); a line's
// baseline lies `ascent` (the cell ascent) below its top. Advances use the font's design
// metrics at the exact em size, so outlines and measurements scale with it exactly.
struct LaidOutString
{
    // Glyph outlines plus underline and strike-out bars; fill rule odd-even.
    QPainterPath path;
    // The measured box: top-left at the layout origin (or at the aligned block within a
    // layout box); width = the widest line's advance plus the format's paddings, height =
    // the number of lines times the line spacing. Empty for an empty text.
    QRectF box;
    int lineCount = 0;
    qreal ascent = 0;
    qreal lineSpacing = 0;
};

// Lays out `text` from a point: `origin` is the top-left of the layout box, so the first
// baseline lies at origin.y() + ascent. Lines are not wrapped.
LaidOutString layOutStringAt(const DrawingFont& font, const QString& text, const QPointF& origin,
                             const StringFormat* format);

// Lays out `text` within a layout box: lines wrap at word boundaries at the box's width
// (when it is greater than 0) and are aligned within the box by the format's alignments.
// Lines that do not fit the box's height are still laid out.
LaidOutString layOutStringInRect(const DrawingFont& font, const QString& text, const QRectF& layoutBox,
                                 const StringFormat* format);

// The same with any QFont face (family, weight, italic, underline, strike-out are taken from
// it, its size is ignored), an exact em size and a horizontal scale of the glyphs and
// advances (1 = natural width). A layout box of width 0 and height 0 lays the text out from
// its top-left point; otherwise lines wrap at a width greater than 0 and are aligned.
LaidOutString layOutString(const QFont& face, qreal emSize, qreal horizontalScale, const QString& text,
                           const QRectF& layoutBox, const StringFormat& format);

// Advance width in pixels of `text` as one line (trailing spaces included, line breaks not
// interpreted). With `caretPositions` also the advance up to every UTF-16 position of the
// text (text.size() + 1 values, the first 0).
qreal lineAdvance(const QFont& face, qreal emSize, qreal horizontalScale, const QString& text,
                  QList<qreal>* caretPositions = nullptr);

// Shorthands.
QPainterPath textPathAt(const DrawingFont& font, const QString& text, const QPointF& origin,
                        const StringFormat* format);
// Width and height of the text laid out in a layout box (e.g. 100000 x 1000 at 0, 0).
QSizeF measureString(const DrawingFont& font, const QString& text, const QRectF& layoutBox,
                     const StringFormat* format);
