#pragma once

#include "services/imaging/PhotoMetadata.h"

#include <QString>

// Reads a TIFF photo's metadata for other formats to carry: its ICC profile (tag 34675), XMP
// packet (tag 700) and an EXIF block made of the descriptive tags of its first directory (make,
// model, dates, author, resolution, orientation ...) with the EXIF and GPS directories they
// point to, copied value for value in the file's byte order. Picture data tags (strips, tiles,
// sample layout) are left out: they describe the TIFF's own pixels, not the output's.
//
// The file is untrusted: every offset is checked against its size, each value is read only
// when it takes at most 8 MB and all of them together at most 16 MB, and directories are followed to
// a depth of three. Whatever cannot be read is left out.
class TiffMetadataReader
{
public:
    static PhotoMetadata read(const QString& path);
};
