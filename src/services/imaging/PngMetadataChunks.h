#pragma once

#include "services/imaging/PhotoMetadata.h"

#include <QByteArray>

// Puts a photo's ICC profile (an iCCP chunk), EXIF block (an eXIf chunk) and XMP packet (an
// uncompressed iTXt chunk "XML:com.adobe.xmp") into PNG data that an encoder wrote without them:
// the chunks go right after the header chunk, where readers look for them before the pixels. A
// profile replaces whatever colour chunks (iCCP, sRGB) the data had, an EXIF block the data's
// eXIf chunk, an XMP packet any text chunk of that keyword; every other byte stays as it was.
// An XMP packet is carried only within the bounds the reading side keeps (PngDecoder: at most
// 8,000,000 bytes with its keyword, no zero byte, which would end the text).
namespace PngMetadataChunks {

// The PNG data with the chunks in place; the data unchanged when `metadata` has none of them, or
// when the data does not start with a PNG signature and header chunk.
QByteArray embed(const QByteArray& png, const PhotoMetadata& metadata);

// True when the XMP packet is carried (see above).
bool fitsXmp(const QByteArray& xmp);

} // namespace PngMetadataChunks
