#include "services/imaging/text/LogFontConversion.h"

#include <QFontInfo>

#include <algorithm>

#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/FontFaceMetrics.h"

namespace {

// Em height of a record whose height is 0: 12 points at 96 DPI.
constexpr qreal kDefaultEmSize = 16;
// QFont pixel sizes are whole numbers in this range.
constexpr int kMaxQFontPixelSize = 16384;

} // namespace

QString resolvedFamily(const LOGFONTW& record)
{
    const QString face = record.faceName();
    if (face.trimmed().isEmpty())
        return DrawingFont::defaultFamily();
    QFont font(face);
    font.setStyleStrategy(QFont::PreferOutline);
    return QFontInfo(font).family();
}

QFont faceFont(const QString& family, int style)
{
    QFont font(family);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    font.setBold((style & FontStyleBold) != 0);
    font.setItalic((style & FontStyleItalic) != 0);
    font.setUnderline((style & FontStyleUnderline) != 0);
    font.setStrikeOut((style & FontStyleStrikeout) != 0);
    return font;
}

qreal emSizeFromLogFont(const LOGFONTW& record)
{
    if (record.lfHeight < 0)
        return -static_cast<qreal>(record.lfHeight);
    if (record.lfHeight == 0)
        return kDefaultEmSize;
    QFont face = faceFont(resolvedFamily(record), FontStyleRegular);
    face.setWeight(weightFromLogFont(record));
    face.setItalic(record.lfItalic != 0);
    return FontFaceMetrics::of(face).emSizeForCellHeight(record.lfHeight);
}

QFont::Weight weightFromLogFont(const LOGFONTW& record)
{
    if (record.lfWeight <= 0)
        return QFont::Normal;
    return static_cast<QFont::Weight>(std::clamp(record.lfWeight, 1, 1000));
}

QFont fontFromLogFont(const LOGFONTW& record)
{
    QFont font = faceFont(resolvedFamily(record), FontStyleRegular);
    font.setWeight(weightFromLogFont(record));
    font.setItalic(record.lfItalic != 0);
    font.setUnderline(record.lfUnderline != 0);
    font.setStrikeOut(record.lfStrikeOut != 0);
    font.setPixelSize(std::clamp(qRound(emSizeFromLogFont(record)), 1, kMaxQFontPixelSize));
    return font;
}
