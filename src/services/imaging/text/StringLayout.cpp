#include "services/imaging/text/StringLayout.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "services/imaging/text/FontFaceMetrics.h"
#include "services/imaging/text/LogFontConversion.h"

namespace {

// Text is shaped at this pixel size and scaled to the wanted em size. Unhinted design
// metrics scale linearly, so any em size (fractional, tiny or huge) comes out exact.
constexpr int kReferencePixelSize = 256;
// Line width for unwrapped lines, in reference pixels.
constexpr qreal kUnboundedLineWidth = 1.0e7;

bool usableScale(qreal value)
{
    return std::isfinite(value) && value > 0;
}

QString textUpToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QFont referenceFont(const QFont& face)
{
    QFont font = face;
    font.setPixelSize(kReferencePixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

QTextOption layoutOption(bool wrap)
{
    QTextOption option;
    option.setUseDesignMetrics(true);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    return option;
}

qreal alignedOffset(StringFormat::Alignment alignment, qreal room)
{
    switch (alignment) {
    case StringFormat::Alignment::Near:
        return 0;
    case StringFormat::Alignment::Center:
        return room / 2;
    case StringFormat::Alignment::Far:
        return room;
    }
    return 0;
}

// Advance of a line up to its last character that is not white space.
qreal advanceWithoutTrailingSpaces(const QTextLine& line, const QString& text)
{
    int end = line.textStart() + line.textLength();
    while (end > line.textStart() && text.at(end - 1).isSpace())
        --end;
    if (end == line.textStart())
        return 0;
    return std::abs(line.cursorToX(end) - line.cursorToX(line.textStart()));
}

// Glyph outlines of one line in reference units, origin at the line's left end on the
// baseline of the layout (the line is positioned with its baseline at y = 0).
QPainterPath lineOutlines(const QTextLine& line)
{
    QPainterPath outlines;
    const QList<QGlyphRun> runs = line.glyphRuns();
    for (const QGlyphRun& run : runs) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const qsizetype count = std::min(glyphs.size(), positions.size());
        for (qsizetype i = 0; i < count; ++i) {
            QPainterPath glyph = raw.pathForGlyph(glyphs.at(i));
            if (glyph.isEmpty())
                continue;
            glyph.translate(positions.at(i));
            outlines.addPath(glyph);
        }
    }
    return outlines;
}

// Lays the text out; the outlines are only built when `withOutlines` is set.
LaidOutString layOut(const QFont& face, qreal emSize, qreal horizontalScale, const QString& text,
                     const QRectF& layoutBox, const StringFormat& format, bool withOutlines)
{
    LaidOutString out;
    out.path.setFillRule(Qt::OddEvenFill);
    out.box = QRectF(layoutBox.topLeft(), QSizeF(0, 0));
    if (!usableScale(emSize) || !usableScale(horizontalScale))
        return out;

    const FontFaceMetrics metrics = FontFaceMetrics::of(face);
    out.ascent = metrics.ascent(emSize);
    out.lineSpacing = metrics.lineSpacing(emSize);

    QString laidText = textUpToNul(text);
    if (laidText.isEmpty())
        return out;
    laidText.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    laidText.replace(QChar(u'\r'), QChar::LineSeparator);
    laidText.replace(QChar(u'\n'), QChar::LineSeparator);

    const QFont font = referenceFont(face);
    const qreal scaleY = emSize / kReferencePixelSize;
    const qreal scaleX = scaleY * horizontalScale;
    const qreal padding = format.padding(emSize);
    const bool wrap = layoutBox.width() > 0;

    QTextLayout layout(laidText, font);
    layout.setTextOption(layoutOption(wrap));
    const qreal lineWidth =
        wrap ? std::max<qreal>(0, layoutBox.width() - 2 * padding) / scaleX : kUnboundedLineWidth;

    QList<QTextLine> lines;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(lineWidth);
        // Baseline of every line at y = 0 in reference units; lines are stacked in pixels below.
        line.setPosition(QPointF(0, -line.ascent()));
        lines.append(line);
    }
    layout.endLayout();
    if (lines.isEmpty())
        return out;

    out.lineCount = static_cast<int>(lines.size());
    const qreal blockHeight = out.lineCount * out.lineSpacing;
    qreal top = layoutBox.y();
    if (layoutBox.height() > 0)
        top += alignedOffset(format.lineAlignment(), layoutBox.height() - blockHeight);

    const QFontMetricsF referenceMetrics(font);
    qreal boxLeft = 0;
    qreal boxRight = 0;
    for (int i = 0; i < out.lineCount; ++i) {
        const QTextLine& line = lines.at(i);
        const qreal advance =
            (format.measureTrailingSpaces() ? line.horizontalAdvance()
                                            : advanceWithoutTrailingSpaces(line, laidText)) *
            scaleX;
        const qreal lineBoxWidth = advance + 2 * padding;
        qreal left = layoutBox.x();
        if (wrap)
            left += alignedOffset(format.alignment(), layoutBox.width() - lineBoxWidth);
        boxLeft = i == 0 ? left : std::min(boxLeft, left);
        boxRight = i == 0 ? left + lineBoxWidth : std::max(boxRight, left + lineBoxWidth);

        if (!withOutlines)
            continue;
        QPainterPath outlines = lineOutlines(line);
        // Underline and strike-out bars span the line's advance, trailing spaces included.
        const qreal barLength = line.horizontalAdvance();
        if (face.underline() && barLength > 0)
            outlines.addRect(
                QRectF(0, referenceMetrics.underlinePos(), barLength, referenceMetrics.lineWidth()));
        if (face.strikeOut() && barLength > 0)
            outlines.addRect(
                QRectF(0, -referenceMetrics.strikeOutPos(), barLength, referenceMetrics.lineWidth()));

        const qreal baseline = top + i * out.lineSpacing + out.ascent;
        const QTransform toPixels(scaleX, 0, 0, scaleY, left + padding, baseline);
        out.path.addPath(toPixels.map(outlines));
    }
    out.box = QRectF(boxLeft, top, boxRight - boxLeft, blockHeight);
    return out;
}

LaidOutString layOutFamily(const DrawingFont& font, const QString& text, const QRectF& layoutBox,
                           const StringFormat* format, bool withOutlines)
{
    const QString family = font.family.isEmpty() ? DrawingFont::defaultFamily() : font.family;
    return layOut(faceFont(family, font.style), font.emSize, 1.0, text, layoutBox,
                  StringFormat::orDefault(format), withOutlines);
}

} // namespace

LaidOutString layOutString(const QFont& face, qreal emSize, qreal horizontalScale, const QString& text,
                           const QRectF& layoutBox, const StringFormat& format)
{
    return layOut(face, emSize, horizontalScale, text, layoutBox, format, true);
}

LaidOutString layOutStringAt(const DrawingFont& font, const QString& text, const QPointF& origin,
                             const StringFormat* format)
{
    return layOutStringInRect(font, text, QRectF(origin, QSizeF(0, 0)), format);
}

LaidOutString layOutStringInRect(const DrawingFont& font, const QString& text, const QRectF& layoutBox,
                                 const StringFormat* format)
{
    return layOutFamily(font, text, layoutBox, format, true);
}

qreal lineAdvance(const QFont& face, qreal emSize, qreal horizontalScale, const QString& text,
                  QList<qreal>* caretPositions)
{
    if (caretPositions) {
        caretPositions->clear();
        caretPositions->append(0);
    }
    if (!usableScale(emSize) || !usableScale(horizontalScale) || text.isEmpty())
        return 0;

    const qreal scaleX = emSize / kReferencePixelSize * horizontalScale;
    QTextLayout layout(text, referenceFont(face));
    layout.setTextOption(layoutOption(false));
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(kUnboundedLineWidth);
    layout.endLayout();
    if (!line.isValid())
        return 0;

    if (caretPositions) {
        for (int i = 1; i <= text.size(); ++i)
            caretPositions->append(line.cursorToX(i) * scaleX);
    }
    return line.horizontalAdvance() * scaleX;
}

QPainterPath textPathAt(const DrawingFont& font, const QString& text, const QPointF& origin,
                        const StringFormat* format)
{
    return layOutStringAt(font, text, origin, format).path;
}

QSizeF measureString(const DrawingFont& font, const QString& text, const QRectF& layoutBox,
                     const StringFormat* format)
{
    return layOutFamily(font, text, layoutBox, format, false).box.size();
}
