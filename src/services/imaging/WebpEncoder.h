#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QImage>

// Encodes pictures as WebP through libwebp (lossy, or lossless when asked), with the photo's EXIF, XMP and
// ICC profile as the file's EXIF, "XMP " and ICCP chunks (put in place by libwebp's muxer). Opaque pictures
// are stored without an alpha plane.
namespace WebpEncoder {

// The WebP format's largest width and height.
constexpr int kMaxSide = 16383;

// The file's bytes in `out`, lossy at `quality` (0..100) or lossless; fails with a reason for a
// picture larger than WebP allows or when libwebp fails.
Outcome encode(const QImage& image, int quality, bool lossless, const PhotoMetadata& metadata,
               QByteArray& out);

} // namespace WebpEncoder
