#include "services/imaging/TiffMetadataReader.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr quint16 kExifDirectory = 0x8769;
constexpr quint16 kGpsDirectory = 0x8825;
constexpr quint16 kInteropDirectory = 0xA005;
constexpr quint16 kXmpPacket = 700;
constexpr quint16 kIccProfile = 34675;
constexpr qint64 kMaxValue = 8'000'000;
constexpr qint64 kMaxBlock = 16'000'000;
constexpr int kMaxEntries = 1000;
constexpr int kMaxDepth = 3;

// The tags of the first directory that describe the photo rather than the TIFF's pixels.
constexpr std::array<quint16, 16> kDescriptiveTags = {
    270,   // ImageDescription
    271,   // Make
    272,   // Model
    274,   // Orientation
    282,   // XResolution
    283,   // YResolution
    296,   // ResolutionUnit
    305,   // Software
    306,   // DateTime
    315,   // Artist
    316,   // HostComputer
    531,   // YCbCrPositioning
    33432, // Copyright
    kExifDirectory,
    kGpsDirectory,
    50708, // UniqueCameraModel
};

int typeSize(quint16 type)
{
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

struct Entry
{
    quint16 tag;
    quint16 type;
    quint32 count;
    QByteArray value; // count * size bytes, as stored
    int child = -1;   // the directory it points to: an index into Reader::directories
};

class Reader
{
public:
    explicit Reader(QFile& file) : m_file(file), m_size(file.size()) {}

    bool header()
    {
        const QByteArray head = bytes(0, 8);
        if (head.startsWith("II*\0"))
            m_bigEndian = false;
        else if (head.startsWith("MM\0*"))
            m_bigEndian = true;
        else
            return false;
        m_first = u32(head, 4);
        return true;
    }

    quint32 firstDirectory() const { return m_first; }
    bool bigEndian() const { return m_bigEndian; }

    // The entries of the directory at `offset`, their values read; only `wanted` tags when given.
    std::vector<Entry> entries(quint32 offset, const std::vector<quint16>* wanted, int depth)
    {
        std::vector<Entry> out;
        if (depth > kMaxDepth)
            return out;
        const QByteArray countBytes = bytes(offset, 2);
        if (countBytes.size() < 2)
            return out;
        const int count = std::min<int>(u16(countBytes, 0), kMaxEntries);
        const QByteArray table = bytes(qint64(offset) + 2, qint64(count) * 12);
        for (int i = 0; i + 1 <= count && (i + 1) * 12 <= table.size(); ++i) {
            const int at = i * 12;
            Entry e{u16(table, at), u16(table, at + 2), u32(table, at + 4), QByteArray(), -1};
            if (wanted && std::find(wanted->begin(), wanted->end(), e.tag) == wanted->end())
                continue;
            const int size = typeSize(e.type);
            const qint64 length = qint64(size) * e.count;
            if (size == 0 || length == 0 || length > kMaxValue || (m_total += length) > kMaxBlock)
                continue;
            e.value = length <= 4 ? table.mid(at + 8, int(length)) : bytes(u32(table, at + 8), length);
            if (e.value.size() != length)
                continue;
            if ((e.tag == kExifDirectory || e.tag == kGpsDirectory || e.tag == kInteropDirectory) &&
                length == 4) {
                e.child = directory(u32(e.value, 0), depth + 1);
                if (e.child < 0)
                    continue;
            }
            out.push_back(std::move(e));
        }
        return out;
    }

    QByteArray value(quint32 offset, quint16 tag)
    {
        const std::vector<quint16> wanted = {tag};
        const std::vector<Entry> found = entries(offset, &wanted, 0);
        return found.empty() ? QByteArray() : found.front().value;
    }

    // Reads a directory's entries (all of them) into `directories`; returns its index, or -1
    // when it has none.
    int directory(quint32 offset, int depth);

    quint16 u16(const QByteArray& data, qsizetype at) const
    {
        const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
        return m_bigEndian ? quint16(p[0] << 8 | p[1]) : quint16(p[1] << 8 | p[0]);
    }

    quint32 u32(const QByteArray& data, qsizetype at) const
    {
        const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
        return m_bigEndian ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                           : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }

    std::vector<std::vector<Entry>> directories; // the sub-directories read, by index

private:
    QByteArray bytes(qint64 offset, qint64 length)
    {
        if (offset < 0 || length < 0 || offset + length > m_size || !m_file.seek(offset))
            return QByteArray();
        return m_file.read(length);
    }

    QFile& m_file;
    qint64 m_size;
    bool m_bigEndian = false;
    quint32 m_first = 0;
    qint64 m_total = 0;
};

int Reader::directory(quint32 offset, int depth)
{
    std::vector<Entry> found = entries(offset, nullptr, depth);
    if (found.empty())
        return -1;
    directories.push_back(std::move(found));
    return int(directories.size()) - 1;
}

// Lays out directories with their values after them, offsets from the TIFF header.
class Writer
{
public:
    Writer(const Reader& reader) : m_reader(reader) {}

    QByteArray tiff(const std::vector<Entry>& first)
    {
        m_out = m_reader.bigEndian() ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
        put32(8);
        write(first);
        return m_out;
    }

private:
    // Writes a directory at the end of the output; returns its offset.
    quint32 write(const std::vector<Entry>& entries)
    {
        std::vector<Entry> sorted = entries;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        const quint32 at = quint32(m_out.size());
        put16(quint16(sorted.size()));
        const qsizetype table = m_out.size();
        m_out.append(QByteArray(qsizetype(sorted.size()) * 12 + 4, '\0'));
        for (size_t i = 0; i < sorted.size(); ++i) {
            const Entry& e = sorted[i];
            const qsizetype slot = table + qsizetype(i) * 12;
            set16(slot, e.tag);
            set16(slot + 2, e.type);
            set32(slot + 4, e.count);
            if (e.child >= 0) {
                const quint32 child = write(m_reader.directories[size_t(e.child)]);
                set32(slot + 8, child);
            } else if (e.value.size() <= 4) {
                m_out.replace(slot + 8, e.value.size(), e.value);
            } else {
                if (m_out.size() % 2)
                    m_out.append('\0');
                set32(slot + 8, quint32(m_out.size()));
                m_out.append(e.value);
            }
        }
        return at;
    }

    void put16(quint16 v)
    {
        m_out.append(QByteArray(2, '\0'));
        set16(m_out.size() - 2, v);
    }
    void put32(quint32 v)
    {
        m_out.append(QByteArray(4, '\0'));
        set32(m_out.size() - 4, v);
    }
    void set16(qsizetype at, quint16 v)
    {
        const bool be = m_reader.bigEndian();
        m_out[at] = char(be ? v >> 8 : v & 0xFF);
        m_out[at + 1] = char(be ? v & 0xFF : v >> 8);
    }
    void set32(qsizetype at, quint32 v)
    {
        for (int i = 0; i < 4; ++i) {
            const int shift = m_reader.bigEndian() ? 24 - 8 * i : 8 * i;
            m_out[at + i] = char((v >> shift) & 0xFF);
        }
    }

    const Reader& m_reader;
    QByteArray m_out;
};

} // namespace

PhotoMetadata TiffMetadataReader::read(const QString& path)
{
    PhotoMetadata metadata;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return metadata;
    Reader reader(file);
    if (!reader.header())
        return metadata;
    const quint32 first = reader.firstDirectory();
    metadata.icc = reader.value(first, kIccProfile);
    metadata.xmp = reader.value(first, kXmpPacket);
    const std::vector<quint16> wanted(kDescriptiveTags.begin(), kDescriptiveTags.end());
    const std::vector<Entry> descriptive = reader.entries(first, &wanted, 0);
    if (!descriptive.empty())
        metadata.exif = Writer(reader).tiff(descriptive);
    return metadata;
}
