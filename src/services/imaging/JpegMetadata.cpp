#include "services/imaging/JpegMetadata.h"

#include <cstring>

namespace {

constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr int kExifHeaderSize = JpegMetadata::kExifHeaderSize;
static_assert(sizeof kExifHeader == kExifHeaderSize);
constexpr quint16 kOrientationTag = 274;
constexpr quint16 kTypeShort = 3;
constexpr quint16 kTypeLong = 4;

bool isExif(const QByteArray& app1)
{
    return app1.size() >= kExifHeaderSize && std::memcmp(app1.constData(), kExifHeader, kExifHeaderSize) == 0;
}

// Reads integers of a TIFF structure in its byte order, never past its end.
class TiffReader
{
public:
    TiffReader(const uchar* data, qsizetype size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }

    bool fits(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset + length <= m_size;
    }

    quint16 u16(qint64 offset) const
    {
        const uchar* p = m_data + offset;
        return m_bigEndian ? quint16(p[0] << 8 | p[1]) : quint16(p[1] << 8 | p[0]);
    }

    quint32 u32(qint64 offset) const
    {
        const uchar* p = m_data + offset;
        return m_bigEndian ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                           : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }

private:
    const uchar* m_data;
    qsizetype m_size;
    bool m_bigEndian;
};

} // namespace

bool JpegMetadata::isExifBlock(const QByteArray& app1)
{
    return isExif(app1);
}

int JpegMetadata::exifIndex() const
{
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (segments[i].marker == kApp1 && isExif(segments[i].data))
            return int(i);
    }
    return -1;
}

int JpegMetadata::orientation() const
{
    const int index = exifIndex();
    return index < 0 ? 0 : orientationFromExif(segments[index].data);
}

int JpegMetadata::orientationFromExif(const QByteArray& app1)
{
    if (!isExif(app1))
        return 0;
    const auto* tiff = reinterpret_cast<const uchar*>(app1.constData()) + kExifHeaderSize;
    const qsizetype size = app1.size() - kExifHeaderSize;
    if (size < 8)
        return 0;
    bool bigEndian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return 0;
    const TiffReader reader(tiff, size, bigEndian);
    if (reader.u16(2) != 42)
        return 0;

    const qint64 ifd = reader.u32(4);
    if (!reader.fits(ifd, 2))
        return 0;
    const int count = reader.u16(ifd);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = ifd + 2 + qint64(i) * 12;
        if (!reader.fits(entry, 12))
            return 0;
        if (reader.u16(entry) != kOrientationTag)
            continue;
        const quint16 type = reader.u16(entry + 2);
        if (reader.u32(entry + 4) < 1)
            return 0;
        if (type == kTypeShort)
            return reader.u16(entry + 8);
        if (type == kTypeLong) {
            const quint32 value = reader.u32(entry + 8);
            return value > 0xFFFF ? 0 : int(value);
        }
        return 0;
    }
    return 0;
}

QList<JpegMetadata::Segment> JpegMetadata::writeOrder() const
{
    const int exif = exifIndex();
    if (exif <= 0)
        return segments;
    QList<Segment> ordered;
    ordered.reserve(segments.size());
    ordered.append(segments[exif]);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i != exif)
            ordered.append(segments[i]);
    }
    return ordered;
}
