#include "model/PlacementGrid.h"

PlacementCell placementCellFor(int location)
{
    if (location < 0 || location >= kPlacementCellCount)
        return {};
    static constexpr HorizontalAnchor columns[] = {HorizontalAnchor::Left, HorizontalAnchor::Centre,
                                                   HorizontalAnchor::Right};
    static constexpr VerticalAnchor rows[] = {VerticalAnchor::Top, VerticalAnchor::Centre,
                                              VerticalAnchor::Bottom};
    return {columns[location % 3], rows[location / 3]};
}

QString placementCellName(int location)
{
    static const char16_t* const names[kPlacementCellCount] = {
        u"左上角",   u"顶部居中", u"右上角",   u"中心左侧", u"中心",
        u"中心右侧", u"左下角",   u"底部居中", u"右下角",
    };
    if (location < 0 || location >= kPlacementCellCount)
        return QString();
    return QString::fromUtf16(names[location]);
}
