#include "services/imaging/text/DrawingFont.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>

#include "services/imaging/text/LogFontConversion.h"

namespace {

constexpr int kMaxQFontPixelSize = 16384;
// Weights from semi-bold up count as bold in the style bits.
constexpr int kBoldWeight = 600;

} // namespace

DrawingFont DrawingFont::fromLogFont(const LOGFONTW& record)
{
    DrawingFont font;
    font.family = resolvedFamily(record);
    font.emSize = emSizeFromLogFont(record);
    int style = FontStyleRegular;
    if (record.lfWeight >= kBoldWeight)
        style |= FontStyleBold;
    if (record.lfItalic)
        style |= FontStyleItalic;
    if (record.lfUnderline)
        style |= FontStyleUnderline;
    if (record.lfStrikeOut)
        style |= FontStyleStrikeout;
    font.style = style;
    return font;
}

QString DrawingFont::defaultFamily()
{
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

QFont DrawingFont::toFont() const
{
    QFont font = faceFont(family.isEmpty() ? defaultFamily() : family, style);
    font.setPixelSize(std::clamp(qRound(emSize), 1, kMaxQFontPixelSize));
    return font;
}
