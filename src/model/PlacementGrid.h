#pragma once

#include <QString>

// The nine anchor cells of `Location` and `ImageLocation`, numbered row by row from the
// top left (0) to the bottom right (8). A value outside 0..8 anchors at the top-left corner.
inline constexpr int kPlacementCellCount = 9;

enum class HorizontalAnchor
{
    Left,
    Centre,
    Right
};
enum class VerticalAnchor
{
    Top,
    Centre,
    Bottom
};

struct PlacementCell
{
    HorizontalAnchor horizontal = HorizontalAnchor::Left;
    VerticalAnchor vertical = VerticalAnchor::Top;
};

// The cell's anchors; Left/Top for values outside 0..8.
PlacementCell placementCellFor(int location);
// The name the editors show for the cell ("左上角" ... "右下角"); empty outside 0..8.
QString placementCellName(int location);
