#pragma once

#include <QSize>
#include <QString>

#include <functional>
#include <optional>

#include "services/files/Outcome.h"
#include "services/imaging/ImageEncoder.h"

struct RenderRequest;

// A JPEG photo stamped into a JPEG, TIFF or PNG output without ever holding it whole: its rows
// flow from the decoder to the encoder a band at a time, and only the part the template draws on
// (see MarkBox) is held, read beforehand, drawn on once and put into the bands that cross it.
// The output is the file the full path writes: the same decoded rows, the same drawing on the
// same pixels, the same encoder settings, Huffman tables (their sample bands are read beforehand
// too) or row encoding (libtiff strips, libpng rows), and the same metadata.
//
// Served: batch outputs of JPEG photos (colour or grey, baseline or progressive) that keep their
// size when turned upright (orientation item none or 1 to 4), are not resized, and are written as
// baseline JPEG (which keeps the rows as stored) or, for orientations up to 2 (upright rows come
// top down), as TIFF or PNG, with a template that draws nothing repeated over
// the photo and leaves it opaque. A JPEG output's EXIF thumbnail is remade from the photo decoded
// at a reduced scale with the stamped part put in at that scale, so its pixels are close to the
// full path's but not the same; the photo's own rows are. A PNG output's EXIF thumbnail is
// remade from the whole picture, so such a photo is left to the full path, as is every other
// photo and one found damaged on the way: the full path then says why it fails.
namespace JpegStream {

// Sets the encoder's quality, sampling and scans for a photo of the given chroma sampling (see
// PhotoDecoder::chromaSampling), as the full path does.
using Quality = std::function<void(const QSize& chromaSampling, ImageEncoder::Options& encoding)>;

// Writes `target` for a batch request; nothing when the photo is one the stream does not serve.
std::optional<Outcome> stamp(const RenderRequest& request, const QString& target, const Quality& quality);

} // namespace JpegStream
