#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/PhotoMetadata.h"
#include "services/imaging/PixelRows.h"

#include <QByteArray>
#include <QImage>

// Encodes pictures as TIFF through libtiff: 8-bit RGB, with an alpha channel only when a pixel is
// not opaque, in strips compressed with Deflate (or LZW) after the horizontal predictor, which
// for photos makes the file about half the size LZW alone gives. The photo's ICC profile goes
// into the profile tag; its EXIF (GPS included), XMP and IPTC records are then put in by Exiv2,
// the EXIF block's own directory tags beside the ones that describe the pixels (which stay the
// file's), its thumbnail directory left out.
namespace TiffEncoder {

enum class Compression
{
    Deflate,
    Lzw
};

// The file's bytes in `out`; fails with a reason when libtiff or Exiv2 fails.
Outcome encode(const QImage& image, const PhotoMetadata& metadata, QByteArray& out,
               Compression compression = Compression::Deflate);

// The same for an opaque picture of `size` handed over a row at a time, with the resolution
// (dots per metre) a picture of encode() carries: the bytes encode() writes for such a picture,
// without holding it whole (only its compressed strips).
Outcome encodeRows(const QSize& size, const QSize& dotsPerMeter, const PixelRows& rows,
                   const PhotoMetadata& metadata, QByteArray& out,
                   Compression compression = Compression::Deflate);

} // namespace TiffEncoder
