#pragma once

#include "services/files/Outcome.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdio>
#include <memory>

// Decodes a PNG file through libpng into the picture Qt's PNG reader makes of it: the same pixel
// format, colour table, pixels, colour space, texts, resolution and offset (the PNG and TIFF
// writers carry the last four into the outputs).
//
// Unlike Qt's reader it bounds the memory of every chunk besides the pixel data: a chunk or a
// decompressed text over 8 MB is left out, all texts together take at most 16 MiB, and chunks
// nothing here uses are skipped unread. A file whose data ends or is damaged before the last
// row fails ("the photo is damaged: ..."); one that ends after the last row (its end chunk
// missing, say) gives the whole picture.
class PngDecoder
{
public:
    PngDecoder();
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // True when the bytes begin with the PNG signature.
    static bool hasSignature(const unsigned char* bytes, size_t count);

    // Reads the signature and the chunks before the pixel data from `file`, positioned at its
    // start. The file stays the caller's and must stay open until decode() has returned.
    Outcome open(std::FILE* file);

    // The pixel size from the header, once open() has succeeded.
    QSize size() const;

    // After decode(): the ICC profile of the iCCP chunk and the EXIF block of the first eXIf
    // chunk, as stored (empty when the file has none). An EXIF block larger than a JPEG's APP1
    // segment holds is left out, and one over the chunk limit is never read.
    QByteArray iccProfile() const;
    QByteArray exif() const;

    // Reads the pixels; call once after a successful open(). A picture whose pixels would take
    // more than `maximumBytes` (0: no limit) fails before anything is allocated, as Qt's
    // readers refuse pictures over their allocation limit.
    Outcome decode(QImage& image, qint64 maximumBytes = 0);

private:
    struct State;
    std::unique_ptr<State> d;
};
