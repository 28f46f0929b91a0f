#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Decodes WebP files through libwebp: lossy and lossless pictures, with or without alpha, and
// the first frame of an animation (as it shows on the animation's canvas). The EXIF, XMP and
// ICC chunks are read through libwebp's demuxer. WebP keeps its EXIF orientation as JPEG does:
// the caller turns the picture by it.
//
// open() reads the header; a picture within the pixel limit is then read whole with its
// metadata, a larger one is left unread for the caller to refuse by its size(). A file whose data ends before
// the picture's does fails with "the photo is damaged: its data ends early".
class WebpDecoder
{
public:
    // True when the first bytes (at least 12) are those of a WebP file.
    static bool hasSignature(const unsigned char* bytes, size_t count);

    Outcome open(const QString& path, qint64 pixelLimit);

    // The picture's size (the canvas of an animation).
    QSize size() const { return m_size; }
    const PhotoMetadata& metadata() const { return m_metadata; }

    // Decodes the picture read by open(): RGB32, or ARGB32 when it has alpha.
    Outcome decode(QImage& image);

private:
    QByteArray m_bytes;
    QSize m_size;
    bool m_complete = false; // the file holds every chunk its header announces
    bool m_alpha = false;
    bool m_animation = false;
    PhotoMetadata m_metadata;
};
