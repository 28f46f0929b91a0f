#include "services/imaging/PhotoMetadata.h"

#include <QList>

#include <cstring>

namespace {

constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/"; // followed by a zero byte
constexpr char kIccSignature[] = "ICC_PROFILE";                  // followed by a zero byte
constexpr int kXmpSignatureSize = sizeof kXmpSignature;          // with the zero byte
constexpr int kIccHeaderSize = sizeof kIccSignature + 2;         // zero byte, number, count
constexpr quint16 kOrientationTag = 274;
constexpr quint16 kTypeShort = 3;

bool startsWith(const QByteArray& data, const char* prefix, int size)
{
    return data.size() >= size && std::memcmp(data.constData(), prefix, size_t(size)) == 0;
}

constexpr char kPhotoshopSignature[] = "Photoshop 3.0"; // followed by a zero byte
constexpr quint16 kIptcResource = 0x0404;

quint32 bigEndian(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | uchar(data[at + i]);
    return value;
}

// The IPTC records of a Photoshop APP13 block: its image resource 0x0404 ("8BIM", the number,
// a name padded to an even length, the size, the data); empty when there is none or the block
// is cut short.
QByteArray iptcFromPhotoshop(const QByteArray& block)
{
    qsizetype at = sizeof kPhotoshopSignature;
    while (at + 12 <= block.size() && block.mid(at, 4) == "8BIM") {
        const quint16 id = quint16(bigEndian(block, at + 4, 2));
        const qsizetype nameLength = uchar(block[at + 6]);
        const qsizetype sizeAt = at + 6 + ((nameLength + 2) & ~qsizetype(1));
        if (sizeAt + 4 > block.size())
            break;
        const qsizetype size = qsizetype(bigEndian(block, sizeAt, 4));
        if (size > block.size() - sizeAt - 4)
            break;
        if (id == kIptcResource)
            return block.mid(sizeAt + 4, size);
        at = sizeAt + 4 + ((size + 1) & ~qsizetype(1));
    }
    return QByteArray();
}

QByteArray exifPayload(const QByteArray& tiff)
{
    return QByteArray(kExifHeader, sizeof kExifHeader) + tiff;
}

} // namespace

QByteArray PhotoMetadata::tiffStructure(const QByteArray& exifPayload)
{
    QByteArray data = exifPayload;
    if (startsWith(data, kExifHeader, sizeof kExifHeader))
        data.remove(0, sizeof kExifHeader);
    if (data.startsWith("II*\0") || data.startsWith("MM\0*"))
        return data;
    return QByteArray();
}

PhotoMetadata PhotoMetadata::fromJpeg(const JpegMetadata& jpeg)
{
    PhotoMetadata result;
    QList<QByteArray> iccParts;
    int iccCount = 0;
    bool iccValid = true;
    for (const JpegMetadata::Segment& segment : jpeg.segments) {
        if (segment.marker == JpegMetadata::kApp1) {
            if (result.exif.isEmpty() && JpegMetadata::isExifBlock(segment.data))
                result.exif = segment.data.mid(sizeof kExifHeader);
            else if (result.xmp.isEmpty() && startsWith(segment.data, kXmpSignature, kXmpSignatureSize))
                result.xmp = segment.data.mid(kXmpSignatureSize);
        } else if (segment.marker == JpegMetadata::kApp13 && result.iptc.isEmpty() &&
                   startsWith(segment.data, kPhotoshopSignature, sizeof kPhotoshopSignature)) {
            result.iptc = iptcFromPhotoshop(segment.data);
        } else if (segment.marker == JpegMetadata::kApp2 &&
                   startsWith(segment.data, kIccSignature, sizeof kIccSignature) &&
                   segment.data.size() >= kIccHeaderSize) {
            const int number = uchar(segment.data[kIccHeaderSize - 2]);
            const int count = uchar(segment.data[kIccHeaderSize - 1]);
            if (number < 1 || count < 1 || number > count || (iccCount != 0 && count != iccCount)) {
                iccValid = false;
                continue;
            }
            if (iccCount == 0)
                iccParts.resize(iccCount = count);
            if (!iccParts[number - 1].isNull())
                iccValid = false;
            iccParts[number - 1] = segment.data.mid(kIccHeaderSize);
        }
    }
    for (const QByteArray& part : std::as_const(iccParts)) {
        if (part.isNull())
            iccValid = false;
    }
    if (iccValid) {
        for (const QByteArray& part : std::as_const(iccParts))
            result.icc += part;
    }
    return result;
}

JpegMetadata PhotoMetadata::toJpeg() const
{
    JpegMetadata jpeg;
    const QByteArray exifData = exifPayload(exif);
    if (!exif.isEmpty() && exifData.size() <= JpegMetadata::kMaxSegmentData)
        jpeg.segments.append({JpegMetadata::kApp1, exifData});
    const QByteArray xmpData = QByteArray(kXmpSignature, kXmpSignatureSize) + xmp;
    if (!xmp.isEmpty() && xmpData.size() <= JpegMetadata::kMaxSegmentData)
        jpeg.segments.append({JpegMetadata::kApp1, xmpData});
    const qsizetype parts = (icc.size() + kIccChunk - 1) / kIccChunk;
    if (parts > 0 && parts <= 255) {
        for (qsizetype i = 0; i < parts; ++i) {
            QByteArray data(kIccSignature, sizeof kIccSignature);
            data.append(char(i + 1));
            data.append(char(parts));
            data.append(icc.mid(i * kIccChunk, kIccChunk));
            jpeg.segments.append({JpegMetadata::kApp2, data});
        }
    }
    return jpeg;
}

int PhotoMetadata::orientation() const
{
    return exif.isEmpty() ? 0 : JpegMetadata::orientationFromExif(exifPayload(exif));
}

bool PhotoMetadata::setOrientation(int value)
{
    // Walks IFD0 as JpegMetadata::orientationFromExif does, every offset checked.
    const qsizetype size = exif.size();
    if (size < 8)
        return false;
    const bool bigEndian = exif.startsWith("MM");
    if (!bigEndian && !exif.startsWith("II"))
        return false;
    auto* data = reinterpret_cast<uchar*>(exif.data());
    auto u16 = [&](qint64 at) {
        return bigEndian ? quint16(data[at] << 8 | data[at + 1]) : quint16(data[at + 1] << 8 | data[at]);
    };
    auto u32 = [&](qint64 at) {
        return bigEndian ? quint32(data[at]) << 24 | quint32(data[at + 1]) << 16 |
                               quint32(data[at + 2]) << 8 | data[at + 3]
                         : quint32(data[at + 3]) << 24 | quint32(data[at + 2]) << 16 |
                               quint32(data[at + 1]) << 8 | data[at];
    };
    const qint64 ifd = u32(4);
    if (ifd < 8 || ifd + 2 > size)
        return false;
    const int count = u16(ifd);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = ifd + 2 + qint64(i) * 12;
        if (entry + 12 > size)
            return false;
        if (u16(entry) != kOrientationTag)
            continue;
        if (u16(entry + 2) != kTypeShort || u32(entry + 4) < 1)
            return false;
        const quint16 v = quint16(value);
        data[entry + 8] = bigEndian ? uchar(v >> 8) : uchar(v & 0xFF);
        data[entry + 9] = bigEndian ? uchar(v & 0xFF) : uchar(v >> 8);
        return true;
    }
    return false;
}
