#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/PhotoMetadata.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// Decodes HEIF files (HEIC with HEVC pictures, AVIF with AV1 pictures) through libheif: the
// primary picture, with the container's transformations (crop, rotation and mirror boxes)
// applied as libheif applies them. An EXIF orientation inside such a file is metadata only: the
// HEIF standard lets the container alone say how the picture stands, so it is not applied.
//
// open() reads the file's boxes and refuses a picture over the pixel limit before any pixel is
// decoded; libheif's own size limit is set to the same bound. decode() gives an RGB32 picture
// (ARGB32 when the file has an alpha plane, premultiplied when the file says so), HDR pictures
// reduced to 8 bits.
class HeifDecoder
{
public:
    HeifDecoder();
    ~HeifDecoder();
    HeifDecoder(const HeifDecoder&) = delete;
    HeifDecoder& operator=(const HeifDecoder&) = delete;

    // True when the first bytes (at least 12) are those of a HEIF or AVIF file.
    static bool hasSignature(const unsigned char* bytes, size_t count);
    // True when the first bytes name AVIF as the file's brand.
    static bool isAvif(const unsigned char* bytes, size_t count);

    Outcome open(const QString& path, qint64 pixelLimit);

    // The size of the picture as it stands (after the container's rotation).
    QSize size() const;
    // The EXIF block, XMP packet and ICC profile of the primary picture.
    const PhotoMetadata& metadata() const;

    Outcome decode(QImage& image);

private:
    struct State;
    std::unique_ptr<State> d;
};
