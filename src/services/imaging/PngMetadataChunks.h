#pragma once

#include "services/imaging/PhotoMetadata.h"

#include <QByteArray>

// Puts a photo's ICC profile (an iCCP chunk) and EXIF block (an eXIf chunk) into PNG data that
// an encoder wrote without them: the chunks go right after the header chunk, where readers
// look for them before the pixels. A profile replaces whatever colour chunks (iCCP, sRGB) the
// data had, an EXIF block the data's eXIf chunk; every other byte stays as it was.
namespace PngMetadataChunks {

// The PNG data with the chunks in place; the data unchanged when `metadata` has neither, or
// when the data does not start with a PNG signature and header chunk.
QByteArray embed(const QByteArray& png, const PhotoMetadata& metadata);

} // namespace PngMetadataChunks
