#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/JpegMetadata.h"
#include "services/imaging/PhotoMetadata.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

// Decodes a JPEG, PNG, BMP, TIFF, GIF, WebP, HEIF (HEIC) or AVIF file, recognised by its content (the
// extension does not matter). Used in two steps so that a photo is read once: open() reads the header
// (format, pixel size and, for JPEG, the metadata segments), then decode() reads the pixels, at a reduced
// size when the caller only needs a smaller picture.
//
// JPEG goes through libjpeg-turbo directly, PNG through libpng (PngDecoder, which bounds the
// memory of its chunks), WebP through libwebp (WebpDecoder), HEIF and AVIF through libheif
// (HeifDecoder, which applies the container's rotation and mirroring), the other formats through Qt's image
// readers. A header that claims more pixels than the limit is refused before anything large is allocated.
//
// A picture is decoded whole or not at all: a file whose data ends before its last row, or is
// damaged before it, fails with "the photo is damaged: ..." (its data ends early, or the
// decoder's own words) instead of giving a picture partly grey or blank. A file that lacks only
// what follows its last row (a JPEG's end marker, a PNG's end chunk, a GIF's trailer) decodes
// whole. Nothing here aborts the process.
class PhotoDecoder
{
public:
    enum class Format
    {
        Unknown,
        Jpeg,
        Png,
        Bmp,
        Tiff,
        Gif,
        Webp,
        Heif,
        Avif
    };

    static constexpr qint64 kDefaultPixelLimit = 250'000'000;

    PhotoDecoder();
    ~PhotoDecoder();
    PhotoDecoder(const PhotoDecoder&) = delete;
    PhotoDecoder& operator=(const PhotoDecoder&) = delete;

    // The largest width x height accepted; open() refuses larger pictures.
    void setPixelLimit(qint64 pixels);
    qint64 pixelLimit() const;

    // Opens the file and reads its header. Fails with a reason for a missing, empty or
    // unreadable file, a folder, a file no reader understands and a picture over the limit.
    Outcome open(const QString& path);

    Format format() const;
    // The pixel size as stored in the file (before any orientation turn).
    QSize storedSize() const;
    // The metadata segments of a JPEG file; empty for the other formats.
    const JpegMetadata& metadata() const;
    // A colour JPEG's chroma subsampling as the luma's sampling factors over the chroma's:
    // 2 x 2 for 4:2:0, 2 x 1 for 4:2:2, 1 x 1 for 4:4:4. Empty for other formats and for JPEGs
    // that are not YCbCr or whose two chroma components are sampled differently.
    QSize chromaSampling() const;
    // True for a progressive JPEG, whose decoding holds every coefficient of the picture.
    bool isProgressive() const;
    // The EXIF orientation item the picture is to be turned by: a JPEG's or a WebP's, 0 when
    // there is none. HEIF and AVIF files stand as their container says (libheif turns them),
    // and PNG, BMP, TIFF and GIF files as stored: 0.
    int orientation() const;
    // The photo's EXIF block, XMP packet and ICC profile, whatever its format. JPEG, WebP, HEIF
    // and AVIF files have it after open(), PNG and TIFF files after decode().
    PhotoMetadata embeddedMetadata() const;

    // Decodes the pixels; call once after a successful open().
    // minimumSize: the smallest size the caller will scale the picture to. A JPEG is then
    // decoded at the smallest DCT scale (n/8) whose result is at least that large in both
    // directions; an empty size (or any other format) gives the full size.
    // upright: turn the picture by the orientation item; minimumSize is then meant upright too.
    // The result is QImage::Format_ARGB32_Premultiplied (opaque, the canvas format) for colour
    // JPEGs, Format_Grayscale8 for grey ones, and whatever Qt's reader yields for the others.
    Outcome decode(QImage& image, const QSize& minimumSize = QSize(), bool upright = false);

    // A JPEG's rows one group after another instead of decode(), at full size and as stored
    // (not turned), with the settings decode() uses: startRows() gives the rows' format
    // (Format_ARGB32_Premultiplied, opaque, for colour JPEGs, Format_Grayscale8 for grey ones;
    // CMYK and YCCK photos and other formats are refused). readRows() decodes the next `count`
    // rows (at most 16) into lines `bytesPerLine` apart, skipRows() passes over rows without
    // giving them, finishRows() checks what follows the last row as decode() does. A false
    // return means the photo is damaged or cannot be decoded: rowFailure() says how.
    Outcome startRows(QImage::Format& format);
    bool readRows(uchar* bits, qsizetype bytesPerLine, int count);
    bool skipRows(int count);
    bool finishRows();
    // The row readRows() gives next.
    int nextRow() const;
    QString rowFailure() const;

    // Problems the JPEG decoder worked around without losing a pixel (a missing end marker,
    // stray bytes between segments).
    QStringList warnings() const;

    // One-call decoding of a whole picture at full size, without turning it.
    static Outcome load(const QString& path, QImage& image, qint64 pixelLimit = kDefaultPixelLimit);

    // The smallest n in 1..8 such that the size scaled by n/8 (rounded up, as libjpeg does)
    // is at least minimumSize in both directions; 8 when no reduction is possible.
    static int dctScaleNumerator(const QSize& fullSize, const QSize& minimumSize);

private:
    // Sets a JPEG's output scale and colour space as decode() and startRows() use them; the
    // format the rows come in.
    QImage::Format setJpegOutput(int scaleNumerator, bool& cmyk);

    struct State;
    std::unique_ptr<State> d;
};
