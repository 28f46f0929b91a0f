#pragma once

#include <QString>

#include <tiffio.h>

// Opens a TIFF file for reading with libtiff's messages silenced (the callers report on the
// file themselves) and its allocations capped at 64 MiB, so that a damaged or hostile file
// cannot make the reader ask for gigabytes. Null when the file cannot be opened; close it with
// TIFFClose.
TIFF* openTiffQuietly(const QString& path);
