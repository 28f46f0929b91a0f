#include "services/imaging/PictureCompleteness.h"

#include "services/language/FailureReason.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

#include "services/imaging/QuietTiff.h"

namespace {

Outcome endsEarly()
{
    return Outcome::failure(FailureReason::tr("the photo is damaged: its data ends early"));
}

// Sequential bytes of a file, read in large pieces; past the end every byte is -1.
class ByteReader
{
public:
    explicit ByteReader(const QString& path) : m_file(path) { m_open = m_file.open(QIODevice::ReadOnly); }

    bool isOpen() const { return m_open; }
    bool atEnd() { return m_at == m_buffer.size() && !refill(); }

    int next()
    {
        if (m_at == m_buffer.size() && !refill())
            return -1;
        ++m_position;
        return uchar(m_buffer[m_at++]);
    }

    // Bytes read or skipped so far.
    qint64 position() const { return m_position; }

    // Skips `count` bytes; false when the file ends first.
    bool skip(qint64 count)
    {
        while (count > 0) {
            if (m_at == m_buffer.size() && !refill())
                return false;
            const qint64 step = qMin<qint64>(count, m_buffer.size() - m_at);
            m_at += step;
            m_position += step;
            count -= step;
        }
        return true;
    }

    // Little-endian numbers; -1 past the end.
    int little16()
    {
        const int low = next();
        const int high = next();
        return low < 0 || high < 0 ? -1 : low | high << 8;
    }

    qint64 little32()
    {
        const int low = little16();
        const int high = little16();
        return low < 0 || high < 0 ? -1 : qint64(low) | qint64(high) << 16;
    }

private:
    bool refill()
    {
        m_buffer = m_file.read(64 * 1024);
        m_at = 0;
        return !m_buffer.isEmpty();
    }

    QFile m_file;
    bool m_open = false;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    qint64 m_position = 0;
};

// Counts the pixels a GIF image's LZW codes make, without making them. The codes arrive through
// next(), which gives -1 when the data is used up.
class LzwCounter
{
public:
    enum class Outcome
    {
        Counted, // an end code, or the data used up
        BadCode, // a code the table does not hold yet
    };

    explicit LzwCounter(int minimumCodeSize) : m_minimum(minimumCodeSize), m_lengths(4096, 0)
    {
        for (int i = 0; i < (1 << m_minimum); ++i)
            m_lengths[size_t(i)] = 1;
        reset();
    }

    // Feeds one byte of code data; false once the end code or a bad code has been read.
    bool feed(int byte)
    {
        m_bits |= quint32(byte) << m_bitCount;
        m_bitCount += 8;
        while (m_bitCount >= m_codeSize) {
            const int code = int(m_bits & ((1u << m_codeSize) - 1));
            m_bits >>= m_codeSize;
            m_bitCount -= m_codeSize;
            if (!take(code))
                return false;
        }
        return true;
    }

    qint64 pixels() const { return m_pixels; }
    bool badCode() const { return m_bad; }

private:
    void reset()
    {
        m_codeSize = m_minimum + 1;
        m_next = (1 << m_minimum) + 2;
        m_previous = -1;
    }

    bool take(int code)
    {
        const int clear = 1 << m_minimum;
        if (code == clear) {
            reset();
            return true;
        }
        if (code == clear + 1)
            return false;
        int length = 0;
        if (m_previous < 0) {
            if (code >= m_next) {
                m_bad = true;
                return false;
            }
            length = m_lengths[size_t(code)];
        } else {
            if (code < m_next && m_lengths[size_t(code)] > 0)
                length = m_lengths[size_t(code)];
            else if (code == m_next && m_next < 4096)
                length = m_lengths[size_t(m_previous)] + 1;
            else {
                m_bad = true;
                return false;
            }
            if (m_next < 4096) {
                m_lengths[size_t(m_next)] = m_lengths[size_t(m_previous)] + 1;
                ++m_next;
                if (m_next == (1 << m_codeSize) && m_codeSize < 12)
                    ++m_codeSize;
            }
        }
        m_pixels += length;
        m_previous = code;
        return true;
    }

    int m_minimum;
    std::vector<int> m_lengths; // pixels per code; 0 for codes not made yet
    int m_codeSize = 0;
    int m_next = 0;
    int m_previous = -1;
    quint32 m_bits = 0;
    int m_bitCount = 0;
    qint64 m_pixels = 0;
    bool m_bad = false;
};

} // namespace

// The first image of the file (the one Qt's reader gives): its blocks must all be there, and
// its codes must make a pixel for every place of the image.
Outcome PictureCompleteness::checkGif(const QString& path)
{
    ByteReader in(path);
    if (!in.isOpen() || !in.skip(6 + 4)) // signature, version, screen size
        return Outcome::success();
    const int screenFlags = in.next();
    if (screenFlags < 0 || !in.skip(2))
        return endsEarly();
    if ((screenFlags & 0x80) && !in.skip(3 * (2 << (screenFlags & 7))))
        return endsEarly();
    for (;;) {
        const int introducer = in.next();
        if (introducer < 0)
            return endsEarly();
        if (introducer == 0x21) { // extension: label, then data blocks
            if (in.next() < 0)
                return endsEarly();
            for (int size = in.next(); size != 0; size = in.next()) {
                if (size < 0 || !in.skip(size))
                    return endsEarly();
            }
            continue;
        }
        if (introducer != 0x2C)
            return Outcome::success(); // the trailer, or bytes the reader judges
        if (!in.skip(4))
            return endsEarly();
        const int width = in.little16();
        const int height = in.little16();
        const int flags = in.next();
        if (width < 0 || height < 0 || flags < 0)
            return endsEarly();
        if ((flags & 0x80) && !in.skip(3 * (2 << (flags & 7))))
            return endsEarly();
        const int minimumCodeSize = in.next();
        if (minimumCodeSize < 0)
            return endsEarly();
        if (minimumCodeSize < 1 || minimumCodeSize > 11)
            return Outcome::success();
        // The codes must make a pixel for every place; a file that ends after them (without its
        // last block end or trailer) still holds the whole image.
        LzwCounter counter(minimumCodeSize);
        bool counting = true;
        for (int size = in.next(); size > 0 && counting; size = in.next()) {
            for (int i = 0; i < size && counting; ++i) {
                const int byte = in.next();
                if (byte < 0)
                    break;
                counting = counter.feed(byte);
            }
        }
        if (counter.badCode())
            return Outcome::failure(FailureReason::tr("the photo is damaged: its picture data is corrupt"));
        if (counter.pixels() < qint64(width) * height)
            return endsEarly();
        return Outcome::success();
    }
}

// Uncompressed pixel data must reach the last pixel of the last row; run-length data must reach
// its end code or its last row.
Outcome PictureCompleteness::checkBmp(const QString& path)
{
    ByteReader in(path);
    const qint64 fileSize = QFileInfo(path).size();
    if (!in.isOpen() || !in.skip(10))
        return Outcome::success();
    const qint64 dataOffset = in.little32();
    const qint64 headerSize = in.little32();
    qint64 width = 0;
    qint64 height = 0;
    int bitsPerPixel = 0;
    qint64 compression = 0;
    if (headerSize == 12) {
        width = in.little16();
        height = in.little16();
        in.skip(2);
        bitsPerPixel = in.little16();
    } else if (headerSize >= 40) {
        width = qint32(quint32(in.little32()));
        height = qint32(quint32(in.little32()));
        in.skip(2);
        bitsPerPixel = in.little16();
        compression = in.little32();
    } else {
        return Outcome::success();
    }
    if (in.atEnd() || width <= 0 || height == 0 || bitsPerPixel <= 0 || dataOffset <= 0)
        return Outcome::success(); // a damaged header: the reader fails it
    height = qAbs(height);

    if (compression == 0 || compression == 3 || compression == 6) { // rows as they are, or bit fields
        const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
        const qint64 lastRow = (width * bitsPerPixel + 7) / 8;
        if (dataOffset + rowBytes * (height - 1) + lastRow > fileSize)
            return endsEarly();
        return Outcome::success();
    }
    if (compression != 1 && compression != 2)
        return Outcome::success(); // JPEG or PNG inside: the reader decides
    // RLE8 and RLE4: pairs of count and value; a zero count starts an escape.
    if (dataOffset < in.position() || !in.skip(dataOffset - in.position()))
        return endsEarly();
    qint64 row = 0;
    for (;;) {
        const int count = in.next();
        const int value = in.next();
        if (count < 0 || value < 0)
            return row >= height ? Outcome::success() : endsEarly();
        if (count > 0)
            continue;
        if (value == 0) {
            ++row;
        } else if (value == 1) {
            return Outcome::success();
        } else if (value == 2) {
            in.next();
            const int down = in.next();
            if (down < 0)
                return endsEarly();
            row += down;
        } else {
            const int bytes = compression == 1 ? value : (value + 1) / 2;
            if (!in.skip(bytes + (bytes & 1)))
                return endsEarly();
        }
    }
}

// The strips or tiles of the first directory must lie within the file.
Outcome PictureCompleteness::checkTiff(const QString& path)
{
    const qint64 fileSize = QFileInfo(path).size();
    TIFF* tiff = openTiffQuietly(path);
    if (!tiff)
        return Outcome::success();
    const uint32_t pieces = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    bool inside = true;
    for (uint32_t i = 0; i < pieces && inside; ++i) {
        int error = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &error);
        const uint64_t bytes = error ? 0 : TIFFGetStrileByteCountWithErr(tiff, i, &error);
        if (error)
            break;
        inside = bytes == 0 || (offset <= uint64_t(fileSize) && bytes <= uint64_t(fileSize) - offset);
    }
    TIFFClose(tiff);
    return inside ? Outcome::success() : endsEarly();
}
