#include "services/imaging/ExifThumbnail.h"

#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/ImageOrientation.h"

#include <QPainter>
#include <QSize>
#include <QtEndian>

#include <cstring>

namespace {

constexpr quint16 kTagStripOffsets = 0x0111;
constexpr quint16 kTagThumbnailOffset = 0x0201;
constexpr quint16 kTagThumbnailLength = 0x0202;
constexpr quint16 kTypeShort = 3;
constexpr quint16 kTypeLong = 4;
constexpr qint64 kTiffHeaderSize = 8;
constexpr qint64 kEntrySize = 12;
constexpr qint64 kTiffStart = JpegMetadata::kExifHeaderSize;
// The largest TIFF structure an APP1 segment holds.
constexpr qint64 kMaxTiffSize = JpegMetadata::kMaxSegmentData - kTiffStart;
// The JPEG quality of a new thumbnail, and the lower ones tried when it does not fit its place.
constexpr int kQualities[] = {85, 70, 55, 40, 25, 10};
// Thumbnails declaring a wider or taller picture are removed rather than remade: IFD1 holds
// small previews, and the size decides how much memory the new one takes.
constexpr int kMaxSide = 1024;
// A thumbnail pixel averages at most this many samples of the picture across and down.
// Averaging every pixel of a large photo down to a thumbnail would cost a good part of the
// photo's own encoding time; picking samples first costs almost nothing, and 64 samples per
// thumbnail pixel still show thin lines of a watermark.
constexpr int kSamplesPerPixel = 8;

// A byte range [start, end) of the TIFF structure.
struct Range
{
    qint64 start = 0;
    qint64 end = 0;

    bool overlaps(const Range& other) const { return start < other.end && other.start < end; }
};

// Where an EXIF block keeps its thumbnail. Positions count from the start of the TIFF header,
// as the structure's own offsets do.
struct Layout
{
    bool bigEndian = false;
    qint64 tiffSize = 0;
    qint64 link = 0;         // IFD0's four bytes holding the offset of IFD1
    qint64 lengthEntry = -1; // IFD1's JPEGInterchangeFormatLength entry
    Range thumbnail;         // the thumbnail's bytes

    bool atEnd() const { return thumbnail.end == tiffSize; }
};

enum class Found
{
    Nothing,   // no thumbnail, or no TIFF structure to find one in
    Thumbnail, // a thumbnail whose bytes lie inside the block, apart from its directories
    Damaged,   // IFD1 holds a picture that cannot be renewed in place
};

// Reads the TIFF structure of an EXIF block in its byte order, never outside it.
class TiffStructure
{
public:
    TiffStructure(const uchar* data, qint64 size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }

    bool fits(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
    }

    quint16 u16(qint64 offset) const
    {
        return m_bigEndian ? qFromBigEndian<quint16>(m_data + offset)
                           : qFromLittleEndian<quint16>(m_data + offset);
    }

    quint32 u32(qint64 offset) const
    {
        return m_bigEndian ? qFromBigEndian<quint32>(m_data + offset)
                           : qFromLittleEndian<quint32>(m_data + offset);
    }

    // The directory at offset, from its entry count to its link to the next one, or an
    // empty range when it does not fit.
    Range directory(qint64 offset) const
    {
        if (!fits(offset, 2))
            return {};
        const qint64 size = 2 + kEntrySize * u16(offset) + 4;
        return fits(offset, size) ? Range{offset, offset + size} : Range{};
    }

    // The value of a one-item SHORT or LONG entry.
    bool value(qint64 entry, quint32& out) const
    {
        const quint16 type = u16(entry + 2);
        if (u32(entry + 4) != 1 || (type != kTypeShort && type != kTypeLong))
            return false;
        out = type == kTypeShort ? u16(entry + 8) : u32(entry + 8);
        return true;
    }

private:
    const uchar* m_data;
    qint64 m_size;
    bool m_bigEndian;
};

Found locate(const QByteArray& app1, Layout& layout)
{
    if (!JpegMetadata::isExifBlock(app1) || app1.size() - kTiffStart < kTiffHeaderSize)
        return Found::Nothing;
    const auto* tiff = reinterpret_cast<const uchar*>(app1.constData()) + kTiffStart;
    layout.tiffSize = app1.size() - kTiffStart;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        layout.bigEndian = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return Found::Nothing;
    const TiffStructure reader(tiff, layout.tiffSize, layout.bigEndian);
    if (reader.u16(2) != 42)
        return Found::Nothing;

    // IFD0 and its link to IFD1. Without a readable IFD1 there is no thumbnail anyone can
    // show, and the block is left as it is.
    const Range ifd0 = reader.directory(reader.u32(4));
    if (ifd0.end == 0)
        return Found::Nothing;
    layout.link = ifd0.end - 4;
    const quint32 next = reader.u32(layout.link);
    const Range ifd1 = next == 0 ? Range{} : reader.directory(next);
    if (ifd1.end == 0)
        return Found::Nothing;

    qint64 offsetEntry = -1;
    bool strips = false;
    for (qint64 entry = ifd1.start + 2; entry < ifd1.end - 4; entry += kEntrySize) {
        const quint16 tag = reader.u16(entry);
        if (tag == kTagThumbnailOffset)
            offsetEntry = entry;
        else if (tag == kTagThumbnailLength)
            layout.lengthEntry = entry;
        else if (tag == kTagStripOffsets)
            strips = true;
    }
    // An uncompressed thumbnail (strips) is not remade: it is removed like a damaged one.
    if (offsetEntry < 0 && layout.lengthEntry < 0)
        return strips ? Found::Damaged : Found::Nothing;
    quint32 offset = 0;
    quint32 length = 0;
    if (offsetEntry < 0 || layout.lengthEntry < 0 || !reader.value(offsetEntry, offset) ||
        !reader.value(layout.lengthEntry, length))
        return Found::Damaged;
    if (length == 0)
        return Found::Nothing;
    layout.thumbnail = {qint64(offset), qint64(offset) + length};
    if (!reader.fits(offset, length) || layout.thumbnail.overlaps({0, kTiffHeaderSize}) ||
        layout.thumbnail.overlaps(ifd0) || layout.thumbnail.overlaps(ifd1))
        return Found::Damaged;
    return Found::Thumbnail;
}

// The picture size in the frame header of JPEG data; an empty size when the data does not
// start like a JPEG file or ends before its frame header.
QSize jpegFrameSize(const uchar* data, qint64 size)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return QSize();
    qint64 at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return QSize();
        const int marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) // no frame before the scan
            return QSize();
        const int length = data[at + 2] << 8 | data[at + 3];
        if (length < 2)
            return QSize();
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8 || at + 9 > size)
                return QSize();
            const QSize found(data[at + 7] << 8 | data[at + 8], data[at + 5] << 8 | data[at + 6]);
            return found.isEmpty() ? QSize() : found;
        }
        at += 2 + length;
    }
    return QSize();
}

// The picture scaled to size: first sampled down to a few times the size, then averaged.
QImage reduced(const QImage& picture, const QSize& size)
{
    const QSize sampled = picture.size().boundedTo(size * kSamplesPerPixel);
    if (sampled == picture.size())
        return ImageCanvas::scaledHighQuality(picture, size);
    return ImageCanvas::scaledHighQuality(
        picture.scaled(sampled, Qt::IgnoreAspectRatio, Qt::FastTransformation), size);
}

// The picture scaled into size without distortion, centred on black where its shape differs
// (as cameras fit a 3:2 photo into a 4:3 thumbnail).
QImage thumbnailPicture(const QImage& picture, const QSize& size)
{
    const QSize fitted =
        picture.size().scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)).boundedTo(size);
    if (fitted == size)
        return reduced(picture, size);
    QImage thumbnail(size, QImage::Format_RGB32);
    if (thumbnail.isNull())
        return thumbnail;
    thumbnail.fill(Qt::black);
    QPainter painter(&thumbnail);
    painter.drawImage(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2),
                      reduced(picture, fitted));
    return thumbnail;
}

void put(QByteArray& app1, const Layout& layout, qint64 position, quint32 value, quint16 type)
{
    uchar* at = reinterpret_cast<uchar*>(app1.data()) + kTiffStart + position;
    if (type == kTypeShort)
        layout.bigEndian ? qToBigEndian(quint16(value), at) : qToLittleEndian(quint16(value), at);
    else
        layout.bigEndian ? qToBigEndian(value, at) : qToLittleEndian(value, at);
}

// Unlinks IFD1; with clear, also clears the old thumbnail's bytes (cuts them off when they
// end the block).
void remove(QByteArray& app1, const Layout& layout, bool clear)
{
    put(app1, layout, layout.link, 0, kTypeLong);
    if (!clear)
        return;
    if (layout.atEnd())
        app1.truncate(kTiffStart + layout.thumbnail.start);
    else
        std::memset(app1.data() + kTiffStart + layout.thumbnail.start, 0,
                    size_t(layout.thumbnail.end - layout.thumbnail.start));
}

} // namespace

void ExifThumbnail::renew(JpegMetadata& metadata, const QImage& picture)
{
    for (JpegMetadata::Segment& segment : metadata.segments) {
        if (segment.marker == JpegMetadata::kApp1)
            renew(segment.data, picture);
    }
}

QSize ExifThumbnail::remadeSize(const JpegMetadata& metadata)
{
    QSize largest;
    for (const JpegMetadata::Segment& segment : metadata.segments) {
        Layout layout;
        if (segment.marker != JpegMetadata::kApp1 || locate(segment.data, layout) != Found::Thumbnail)
            continue;
        const QSize size = jpegFrameSize(reinterpret_cast<const uchar*>(segment.data.constData()) +
                                             kTiffStart + layout.thumbnail.start,
                                         layout.thumbnail.end - layout.thumbnail.start);
        if (!size.isEmpty() && size.width() <= kMaxSide && size.height() <= kMaxSide)
            largest = largest.expandedTo(size);
    }
    return largest;
}

ExifThumbnail::Change ExifThumbnail::renew(QByteArray& app1, const QImage& picture)
{
    return renewIn(app1, picture, false);
}

ExifThumbnail::Change ExifThumbnail::renewUpright(QByteArray& tiff, const QImage& upright, int orientation)
{
    if (tiff.isEmpty())
        return Change::None;
    QByteArray app1 = QByteArray("Exif\0\0", kTiffStart) + tiff;
    const Change change = renewIn(app1, upright, ImageOrientation::swapsAxes(orientation));
    if (change != Change::None)
        tiff = app1.mid(kTiffStart);
    return change;
}

ExifThumbnail::Change ExifThumbnail::renewIn(QByteArray& app1, const QImage& picture, bool swapSides)
{
    Layout layout;
    switch (locate(app1, layout)) {
    case Found::Nothing:
        return Change::None;
    case Found::Damaged:
        remove(app1, layout, false);
        return Change::Removed;
    case Found::Thumbnail:
        break;
    }

    const qint64 oldLength = layout.thumbnail.end - layout.thumbnail.start;
    const QSize oldSize = jpegFrameSize(
        reinterpret_cast<const uchar*>(app1.constData()) + kTiffStart + layout.thumbnail.start, oldLength);
    const QSize size = swapSides ? oldSize.transposed() : oldSize;
    // What is not a JPEG picture may be other data the item wrongly points to: kept as it is.
    if (size.isEmpty()) {
        remove(app1, layout, false);
        return Change::Removed;
    }
    const QImage small = size.width() > kMaxSide || size.height() > kMaxSide || picture.isNull()
                             ? QImage()
                             : thumbnailPicture(picture, size);
    // At the end of the block the thumbnail may grow up to the segment's limit; elsewhere it
    // has the old one's bytes.
    const qint64 room = layout.atEnd() ? qMax(oldLength, kMaxTiffSize - layout.thumbnail.start) : oldLength;
    QByteArray data;
    if (!small.isNull()) {
        for (const int quality : kQualities) {
            data = ImageEncoder::jpegData(small, quality);
            if (data.isEmpty() || data.size() <= room)
                break;
        }
    }
    if (data.isEmpty() || data.size() > room) {
        remove(app1, layout, true);
        return Change::Removed;
    }

    const TiffStructure reader(reinterpret_cast<const uchar*>(app1.constData()) + kTiffStart, layout.tiffSize,
                               layout.bigEndian);
    const quint16 lengthType = reader.u16(layout.lengthEntry + 2);
    if (layout.atEnd()) {
        app1.truncate(kTiffStart + layout.thumbnail.start);
        app1.append(data);
    } else {
        char* at = app1.data() + kTiffStart + layout.thumbnail.start;
        std::memcpy(at, data.constData(), size_t(data.size()));
        std::memset(at + data.size(), 0, size_t(oldLength - data.size()));
    }
    put(app1, layout, layout.lengthEntry + 8, quint32(data.size()), lengthType);
    return Change::Replaced;
}
