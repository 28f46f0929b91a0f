#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include "model/ResizeSettings.h"
#include "services/files/Outcome.h"
#include "services/imaging/JpegMetadata.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/PhotoMetadata.h"

// A photo made ready to be stamped: decoded once, turned upright by its orientation item,
// at the output size of the resize rule, in a 32-bit format a painter draws on.
struct PhotoCanvas
{
    QImage canvas;          // W x H: RGB32 for opaque photos, ARGB32 premultiplied otherwise
    bool isJpeg = false;    // the source is a JPEG file (by content)
    int orientation = 0;    // the orientation item it was turned by (JPEG, WebP; 0 when none)
    QSize chromaSampling;   // a colour JPEG's (see PhotoDecoder::chromaSampling); else empty
    JpegMetadata metadata;  // the JPEG's metadata segments, when asked for
    PhotoMetadata embedded; // its EXIF block, XMP and ICC profile (any format), when asked for

    struct Options
    {
        ResizeSettings resize;
        bool resizePictures = false;
        qint64 pixelLimit = PhotoDecoder::kDefaultPixelLimit;
        bool keepMetadata = false;
    };

    // Decodes `path` into `out`. A JPEG that resizing shrinks is decoded at the smallest DCT
    // scale that is still at least the output size, then scaled to the exact size with a
    // high-quality filter. Fails with a reason for a file that cannot be read or decoded, a
    // picture over the pixel limit and an empty or oversized output size.
    static Outcome load(const QString& path, const Options& options, PhotoCanvas& out);
};
