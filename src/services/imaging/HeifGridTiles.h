#pragma once

#include <QString>

// The tiles a HEIF file's primary picture is put together from, read from the file's boxes
// before libheif decodes anything: a grid picture names its tiles with "dimg" references (one
// tile may be named many times), each tile's size is its "ispe" property. libheif decodes every
// tile named, so their number and their total area measure the work of decoding the picture,
// whatever size the grid itself claims.
struct HeifGridTiles
{
    int count = 0;   // tiles named by the primary picture (0: not a grid, or unreadable boxes)
    qint64 area = 0; // their pixels together, each counted as often as it is named

    static HeifGridTiles ofPrimary(const QString& path);
};
