#pragma once

#include <QFont>

// The design metrics of a font face, in font units, as the classic text functions use them:
// cell ascent and descent from the OS/2 table's Windows metrics, line gap and average
// character width. Faces without these tables fall back to Qt's metrics.
class FontFaceMetrics
{
public:
    // Metrics of the face that `face` resolves to (its size does not matter).
    static FontFaceMetrics of(const QFont& face);

    int unitsPerEm() const { return m_unitsPerEm; }

    // The following scale the design values to a font of the given em size in pixels.
    qreal ascent(qreal emSize) const { return scaled(m_ascent, emSize); }
    qreal descent(qreal emSize) const { return scaled(m_descent, emSize); }
    qreal cellHeight(qreal emSize) const { return scaled(m_ascent + m_descent, emSize); }
    // Extra space between lines beyond the cell height (never negative).
    qreal externalLeading(qreal emSize) const { return scaled(m_externalLeading, emSize); }
    qreal lineSpacing(qreal emSize) const { return cellHeight(emSize) + externalLeading(emSize); }
    qreal averageCharWidth(qreal emSize) const { return scaled(m_averageCharWidth, emSize); }
    qreal maxCharWidth(qreal emSize) const { return scaled(m_maxCharWidth, emSize); }

    // Em size of a font whose cell height (ascent + descent) is `cellHeight` pixels.
    qreal emSizeForCellHeight(qreal cellHeight) const;

private:
    qreal scaled(qreal units, qreal emSize) const { return units * emSize / m_unitsPerEm; }

    int m_unitsPerEm = 2048;
    qreal m_ascent = 1638;
    qreal m_descent = 410;
    qreal m_externalLeading = 0;
    qreal m_averageCharWidth = 1024;
    qreal m_maxCharWidth = 2048;
};
