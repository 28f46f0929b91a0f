#include "services/imaging/OutputCompleteness.h"

#include <QFile>

#include <cstring>

#include "services/imaging/PictureCompleteness.h"
#include "services/imaging/QuietTiff.h"

namespace {

quint32 big32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint32 little32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// From the start marker to an end marker that follows a scan. A scan's entropy-coded data
// runs to the next marker that is not a stuffed zero or a restart marker.
bool jpegIsComplete(const uchar* data, qint64 size)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    qint64 pos = 2;
    bool scanned = false;
    while (pos + 2 <= size) {
        if (data[pos] != 0xFF)
            return false;
        const uchar marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD9)
            return scanned;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (pos + 4 > size)
            return false;
        const qint64 length = (qint64(data[pos + 2]) << 8) | data[pos + 3];
        if (length < 2 || pos + 2 + length > size)
            return false;
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        scanned = true;
        for (;;) {
            const void* found = std::memchr(data + pos, 0xFF, size_t(size - pos));
            if (!found)
                return false;
            pos = static_cast<const uchar*>(found) - data;
            if (pos + 1 >= size)
                return false;
            const uchar next = data[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                pos += next == 0xFF ? 1 : 2;
                continue;
            }
            break;
        }
    }
    return false;
}

bool pngIsComplete(const uchar* data, qint64 size)
{
    static const uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    qint64 pos = 8;
    bool first = true;
    while (pos + 12 <= size) {
        const qint64 length = big32(data + pos);
        const uchar* type = data + pos + 4;
        if (length > size - pos - 12)
            return false;
        if (first && std::memcmp(type, "IHDR", 4) != 0)
            return false;
        first = false;
        if (std::memcmp(type, "IEND", 4) == 0)
            return true;
        pos += 12 + length;
    }
    return false;
}

bool webpIsComplete(const uchar* data, qint64 size)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        return false;
    const qint64 end = qint64(little32(data + 4)) + 8;
    if (end != size)
        return false;
    qint64 pos = 12;
    bool chunk = false;
    while (pos + 8 <= end) {
        const qint64 length = little32(data + pos + 4);
        const qint64 next = pos + 8 + length + (length & 1);
        if (next > end)
            return false;
        chunk = true;
        pos = next;
    }
    return chunk && pos == end;
}

bool bmpIsComplete(const QString& path, const uchar* data, qint64 size)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M' || little32(data + 2) > quint64(size))
        return false;
    return bool(PictureCompleteness::checkBmp(path));
}

bool tiffIsComplete(const QString& path, const uchar* data, qint64 size)
{
    if (size < 8 || !(std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
        return false;
    TIFF* tiff = openTiffQuietly(path);
    if (!tiff)
        return false;
    const uint32_t pieces = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    bool inside = pieces > 0;
    for (uint32_t i = 0; i < pieces && inside; ++i) {
        int error = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &error);
        const uint64_t bytes = error ? 0 : TIFFGetStrileByteCountWithErr(tiff, i, &error);
        inside = !error && offset <= uint64_t(size) && bytes <= uint64_t(size) - offset;
    }
    TIFFClose(tiff);
    return inside;
}

} // namespace

bool OutputCompleteness::isComplete(const QString& path, ImageEncoder::FileFormat format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size <= 0)
        return false;
    const uchar* data = file.map(0, size);
    if (!data)
        return false;
    switch (format) {
    case ImageEncoder::FileFormat::Jpeg:
        return jpegIsComplete(data, size);
    case ImageEncoder::FileFormat::Png:
        return pngIsComplete(data, size);
    case ImageEncoder::FileFormat::Webp:
        return webpIsComplete(data, size);
    case ImageEncoder::FileFormat::Bmp:
        return bmpIsComplete(path, data, size);
    case ImageEncoder::FileFormat::Tiff:
        return tiffIsComplete(path, data, size);
    }
    return false;
}
