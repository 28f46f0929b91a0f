#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// HEIC, AVIF and WebP files for the hostile picture set: sound ones encoded here through
// Debian's libheif and libwebp, and damaged variants of them.
namespace HostileModernFormats {

enum class Heif
{
    Hevc, // HEIC
    Av1,  // AVIF
};

// The picture as a HEIF file; empty when the installed libheif has no encoder for it.
QByteArray heif(const QImage& image, Heif codec);

enum class Webp
{
    Lossy,
    LosslessAlpha,
    Animated, // three frames, the first the picture
};

QByteArray webp(const QImage& image, Webp kind);

// The HEIF file with the size of every picture (its "ispe" boxes) claimed to be `size`.
QByteArray heifClaiming(const QByteArray& heif, QSize size);
// A lossy WebP file with the frame header claiming `size` (at most 16383 x 16383).
QByteArray webpClaiming(const QByteArray& lossyWebp, QSize size);
// The WebP file with an EXIF chunk whose length claims 4 GiB less a little.
QByteArray webpWithHugeChunk(const QByteArray& webp);
// The WebP file with a chunk `name` of `payload` appended (its VP8X flag set where the file has
// a VP8X chunk and the chunk is EXIF, XMP or ICCP).
QByteArray webpWithChunk(const QByteArray& webp, const char* name, const QByteArray& payload);
// A HEIC grid picture of `output` pixels whose `columns` x `rows` tiles (at most 256 x 256) all
// name the one picture of `tileHeic` (a HEIC file of one picture, made by heif()): the boxes are
// written here, the tile's coded data and decoder configuration taken from that file. Empty
// when `tileHeic` is not such a file.
QByteArray heifGrid(const QByteArray& tileHeic, QSize tile, int columns, int rows, QSize output);
// The HEIF file with the coded picture data (the payload of its "mdat" box) overwritten with
// the byte `fill`: the boxes are sound, the decoder refuses the data.
QByteArray heifWithBlankData(const QByteArray& heif, char fill);
// The file's bytes from `from` to the end overwritten with a fixed noise.
QByteArray noiseFrom(const QByteArray& file, qsizetype from);

} // namespace HostileModernFormats
