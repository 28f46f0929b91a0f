#include "services/imaging/text/FontFaceMetrics.h"

#include <QByteArray>
#include <QRawFont>

#include <algorithm>

namespace {

// The pixel size at which a face is opened to read its tables and fallback metrics.
constexpr int kProbePixelSize = 256;

// A big-endian 16-bit value of a font table; 0 past the table's end (the callers check the
// size first, which the compiler cannot always see through the inlining).
int readU16(const QByteArray& table, int offset)
{
    if (offset < 0 || offset + 1 >= table.size())
        return 0;
    const auto* d = reinterpret_cast<const unsigned char*>(table.constData());
    return (d[offset] << 8) | d[offset + 1];
}

int readS16(const QByteArray& table, int offset)
{
    const int u = readU16(table, offset);
    return u >= 0x8000 ? u - 0x10000 : u;
}

} // namespace

FontFaceMetrics FontFaceMetrics::of(const QFont& face)
{
    FontFaceMetrics m;
    QFont probe = face;
    probe.setPixelSize(kProbePixelSize);
    probe.setHintingPreference(QFont::PreferNoHinting);
    const QRawFont raw = QRawFont::fromFont(probe);
    if (!raw.isValid())
        return m;

    const int upem = qRound(raw.unitsPerEm());
    m.m_unitsPerEm = upem > 0 ? upem : 2048;
    const qreal toUnits = m.m_unitsPerEm / raw.pixelSize();

    // Qt's own values, used where the face lacks a table or a table holds nothing useful.
    m.m_ascent = raw.ascent() * toUnits;
    m.m_descent = raw.descent() * toUnits;
    m.m_externalLeading = std::max<qreal>(0, raw.leading() * toUnits);
    m.m_averageCharWidth = raw.averageCharWidth() * toUnits;
    m.m_maxCharWidth = raw.maxCharWidth() * toUnits;

    const QByteArray hhea = raw.fontTable("hhea");
    int hheaExtent = 0;
    if (hhea.size() >= 12) {
        const int ascender = readS16(hhea, 4);
        const int descender = readS16(hhea, 6);
        const int lineGap = readS16(hhea, 8);
        hheaExtent = ascender - descender + lineGap;
        if (ascender - descender > 0) {
            m.m_ascent = ascender;
            m.m_descent = -descender;
            m.m_externalLeading = std::max(0, lineGap);
        }
        if (readU16(hhea, 10) > 0)
            m.m_maxCharWidth = readU16(hhea, 10);
    }

    const QByteArray os2 = raw.fontTable("OS/2");
    if (os2.size() >= 78) {
        const int winAscent = readU16(os2, 74);
        const int winDescent = readU16(os2, 76);
        if (winAscent + winDescent > 0) {
            m.m_ascent = winAscent;
            m.m_descent = winDescent;
            m.m_externalLeading = std::max(0, hheaExtent - (winAscent + winDescent));
        }
        const int average = readS16(os2, 2);
        if (average > 0)
            m.m_averageCharWidth = average;
    }
    if (m.m_ascent + m.m_descent <= 0) {
        m.m_ascent = 0.8 * m.m_unitsPerEm;
        m.m_descent = 0.2 * m.m_unitsPerEm;
    }
    if (m.m_averageCharWidth <= 0)
        m.m_averageCharWidth = 0.5 * m.m_unitsPerEm;
    return m;
}

qreal FontFaceMetrics::emSizeForCellHeight(qreal cellHeight) const
{
    return cellHeight * m_unitsPerEm / (m_ascent + m_descent);
}
