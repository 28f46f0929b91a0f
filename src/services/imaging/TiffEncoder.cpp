#include "services/imaging/TiffEncoder.h"

#include "services/imaging/Exiv2Setup.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/TiffMessages.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <tiffio.h>

// Exiv2 0.27 names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {

// Strips of about this many bytes before compression: small enough for readers that load a
// strip at a time, large enough for Deflate to find its matches.
constexpr qint64 kStripBytes = 256 * 1024;

// The file in memory, as libtiff's client procedures see it.
struct MemoryFile
{
    QByteArray data;
    qint64 position = 0;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    const qint64 count = std::max<qint64>(0, std::min<qint64>(size, file->data.size() - file->position));
    std::memcpy(buffer, file->data.constData() + file->position, size_t(count));
    file->position += count;
    return tmsize_t(count);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    const qint64 end = file->position + size;
    if (end > file->data.size())
        file->data.resize(qsizetype(end));
    std::memcpy(file->data.data() + file->position, buffer, size_t(size));
    file->position = end;
    return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    const qint64 base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->data.size() : 0;
    file->position = base + qint64(offset);
    return toff_t(file->position);
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return toff_t(static_cast<MemoryFile*>(handle)->data.size());
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) {}

// Writes pixels of `size` (8-bit RGB, or RGBA with `alpha`) a row at a time from `fill`, with the
// resolution (dots per metre, none when not positive) and profile; the libtiff message on failure.
bool writePixelRows(const QSize& size, bool alpha, const QSize& dotsPerMeter, const QByteArray& icc,
                    TiffEncoder::Compression compression, const PixelRows& fill, MemoryFile& file,
                    QString& problem)
{
    TiffMessages::routeToQt();
    TIFF* tiff = TIFFClientOpen("output", "wm", &file, readProc, writeProc, seekProc, closeProc, sizeProc,
                                mapProc, unmapProc);
    if (!tiff) {
        problem = QStringLiteral("libtiff cannot start the file");
        return false;
    }
    const int channels = alpha ? 4 : 3;
    const qint64 rowBytes = qint64(size.width()) * channels;
    const uint32_t rowsPerStrip = uint32_t(std::clamp<qint64>(kStripBytes / rowBytes, 1, size.height()));
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(size.width())) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(size.height())) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION,
                           compression == TiffEncoder::Compression::Deflate ? COMPRESSION_ADOBE_DEFLATE
                                                                            : COMPRESSION_LZW) &&
              TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (ok && alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (ok && dotsPerMeter.width() > 0 && dotsPerMeter.height() > 0) {
        ok = TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
             TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(dotsPerMeter.width() * 0.0254)) &&
             TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(dotsPerMeter.height() * 0.0254));
    }
    if (ok && !icc.isEmpty())
        ok = TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    // libtiff changes the row it is given (the predictor works in place): a copy each time.
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    for (int y = 0; ok && y < size.height(); ++y) {
        ok = fill(y, row.data()) && TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    if (!ok && problem.isEmpty())
        problem = QStringLiteral("libtiff failed to write the picture");
    return ok;
}

// Writes the picture's pixels and profile; the libtiff message on failure.
bool writePixels(const QImage& image, const QByteArray& icc, TiffEncoder::Compression compression,
                 MemoryFile& file, QString& problem)
{
    const bool alpha = ImageCanvas::hasTransparency(image.convertToFormat(QImage::Format_ARGB32));
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull()) {
        problem = QStringLiteral("not enough memory");
        return false;
    }
    const size_t rowBytes = size_t(pixels.width()) * (alpha ? 4 : 3);
    return writePixelRows(
        pixels.size(), alpha, QSize(image.dotsPerMeterX(), image.dotsPerMeterY()), icc, compression,
        [&](int y, uchar* row) {
            std::memcpy(row, pixels.constScanLine(y), rowBytes);
            return true;
        },
        file, problem);
}

bool describesThePixels(uint16_t tag)
{
    static const std::set<uint16_t> tags = {
        0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109, 0x010A,
        0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011C, 0x0122, 0x0123, 0x0124, 0x0125,
        0x013D, 0x0140, 0x0142, 0x0143, 0x0144, 0x0145, 0x014A, 0x0152, 0x0153, 0x0154, 0x0155,
        0x0156, 0x015B, 0x0200, 0x0201, 0x0202, 0x0203, 0x0205, 0x0206, 0x0207, 0x0208, 0x0209,
        0x0211, 0x0212, 0x0213, 0x0214, 0x8773, 0x8769, 0x8825, 0xA005, 0x014A};
    return tags.count(tag) > 0;
}

// Puts the EXIF block's tags, the XMP packet and the IPTC records into the TIFF file.
bool addMetadata(const PhotoMetadata& metadata, QByteArray& bytes, QString& problem)
{
    Exiv2Setup::ensure();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        if (!metadata.exif.isEmpty()) {
            Exiv2::ExifData source;
            Exiv2::ExifParser::decode(source, reinterpret_cast<const Exiv2::byte*>(metadata.exif.constData()),
                                      uint32_t(metadata.exif.size()));
            for (const Exiv2::Exifdatum& datum : source) {
                const std::string group = datum.groupName();
                if (group == "Thumbnail" || (group == "Image" && describesThePixels(datum.tag())))
                    continue;
                if (exif.findKey(Exiv2::ExifKey(datum.key())) == exif.end())
                    exif.add(datum);
            }
        }
        image->setExifData(exif);
        if (!metadata.xmp.isEmpty()) {
            image->setXmpPacket(std::string(metadata.xmp.constData(), size_t(metadata.xmp.size())));
            image->writeXmpFromPacket(true);
        }
        if (!metadata.iptc.isEmpty()) {
            Exiv2::IptcData iptc;
            if (Exiv2::IptcParser::decode(iptc,
                                          reinterpret_cast<const Exiv2::byte*>(metadata.iptc.constData()),
                                          uint32_t(metadata.iptc.size())) == 0)
                image->setIptcData(iptc);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const long size = io.size();
        QByteArray written(qsizetype(size), Qt::Uninitialized);
        if (io.read(reinterpret_cast<Exiv2::byte*>(written.data()), size) != size) {
            problem = QStringLiteral("Exiv2 cannot read back the file it wrote");
            return false;
        }
        bytes = written;
        return true;
    } catch (const Exiv2::AnyError& error) {
        problem =
            QStringLiteral("Exiv2 cannot add the metadata: %1").arg(QString::fromStdString(error.what()));
        return false;
    }
}

// The metadata put into the pixels' file.
Outcome finish(MemoryFile& file, const PhotoMetadata& metadata, QByteArray& out)
{
    QString problem;
    if ((!metadata.exif.isEmpty() || !metadata.xmp.isEmpty() || !metadata.iptc.isEmpty()) &&
        !addMetadata(metadata, file.data, problem))
        return Outcome::failure(problem);
    out = std::move(file.data);
    return Outcome::success();
}

} // namespace

namespace TiffEncoder {

Outcome encode(const QImage& image, const PhotoMetadata& metadata, QByteArray& out, Compression compression)
{
    MemoryFile file;
    QString problem;
    if (!writePixels(image, metadata.icc, compression, file, problem))
        return Outcome::failure(problem);
    return finish(file, metadata, out);
}

Outcome encodeRows(const QSize& size, const QSize& dotsPerMeter, const PixelRows& rows,
                   const PhotoMetadata& metadata, QByteArray& out, Compression compression)
{
    MemoryFile file;
    QString problem;
    if (!writePixelRows(size, false, dotsPerMeter, metadata.icc, compression, rows, file, problem))
        return Outcome::failure(problem);
    return finish(file, metadata, out);
}

} // namespace TiffEncoder
