#include "services/imaging/HeifGridTiles.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QPair>

#include <algorithm>

namespace {

// A meta box larger than this is left to libheif and its own limits.
constexpr qint64 kMaxMetaBox = 16 * 1024 * 1024;
// Sides and areas are counted up to these, so that no sum overflows.
constexpr quint64 kMaxSide = 1 << 20;
constexpr qint64 kMaxArea = qint64(1) << 50;

// Reads big-endian numbers and boxes from a byte range, never outside it.
class Boxes
{
public:
    Boxes(const QByteArray& data, qint64 start, qint64 end) : m_data(data), m_at(start), m_end(end) {}

    bool has(qint64 count) const { return count >= 0 && m_at + count <= m_end; }

    quint64 number(int bytes)
    {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | uchar(m_data[m_at + i]);
        m_at += bytes;
        return value;
    }

    // The next box: its type, and the range of its payload; false at the end or when it does
    // not fit.
    bool next(QByteArray& type, qint64& start, qint64& end)
    {
        if (!has(8))
            return false;
        const qint64 boxStart = m_at;
        quint64 size = number(4);
        type = m_data.mid(m_at, 4);
        m_at += 4;
        if (size == 1) {
            if (!has(8))
                return false;
            size = number(8);
        } else if (size == 0) {
            size = quint64(m_end - boxStart);
        }
        if (size < quint64(m_at - boxStart) || size > quint64(m_end - boxStart))
            return false;
        start = m_at;
        end = boxStart + qint64(size);
        m_at = end;
        return true;
    }

    qint64 at() const { return m_at; }
    void skip(qint64 count) { m_at += count; }

private:
    const QByteArray& m_data;
    qint64 m_at;
    qint64 m_end;
};

// The meta box's payload; empty when the file has none that can be read. Only the headers of
// the boxes before it are read.
QByteArray readMeta(QFile& file)
{
    const qint64 size = file.size();
    qint64 at = 0;
    for (int boxes = 0; at + 8 <= size && boxes < 10000; ++boxes) {
        file.seek(at);
        const QByteArray head = file.read(16);
        Boxes reader(head, 0, head.size());
        QByteArray type;
        qint64 start = 0, end = 0;
        if (!reader.next(type, start, end)) {
            // A box running past the 16 bytes read: its size says how far it goes.
            Boxes sizes(head, 0, head.size());
            if (!sizes.has(8))
                return QByteArray();
            quint64 length = sizes.number(4);
            type = head.mid(4, 4);
            qint64 headerSize = 8;
            if (length == 1 && sizes.has(16)) {
                sizes.skip(4);
                length = sizes.number(8);
                headerSize = 16;
            } else if (length == 0) {
                length = quint64(size - at);
            }
            if (length < quint64(headerSize) || length > quint64(size - at))
                return QByteArray();
            start = headerSize;
            end = qint64(length);
        }
        if (type == "meta") {
            if (end - start > kMaxMetaBox)
                return QByteArray();
            file.seek(at + start);
            return file.read(end - start);
        }
        at += end;
    }
    return QByteArray();
}

} // namespace

HeifGridTiles HeifGridTiles::ofPrimary(const QString& path)
{
    HeifGridTiles tiles;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return tiles;
    const QByteArray meta = readMeta(file);
    if (meta.size() < 4)
        return tiles;

    // meta: version and flags, then boxes.
    quint32 primary = 0;
    QList<quint32> named;                    // the primary picture's dimg references, in order
    QList<QPair<qint64, qint64>> properties; // ipco's boxes (payload ranges), numbered from 1
    QList<QByteArray> propertyTypes;
    QHash<quint32, QList<int>> associations; // item -> property numbers
    Boxes top(meta, 4, meta.size());
    QByteArray type;
    qint64 start = 0, end = 0;
    QList<QPair<qint64, qint64>> irefs;
    while (top.next(type, start, end)) {
        Boxes box(meta, start, end);
        if (type == "pitm" && box.has(4)) {
            const int version = int(box.number(1));
            box.skip(3);
            if (box.has(version == 0 ? 2 : 4))
                primary = quint32(box.number(version == 0 ? 2 : 4));
        } else if (type == "iref") {
            irefs.append({start, end});
        } else if (type == "iprp") {
            QByteArray childType;
            qint64 childStart = 0, childEnd = 0;
            while (box.next(childType, childStart, childEnd)) {
                Boxes child(meta, childStart, childEnd);
                if (childType == "ipco") {
                    QByteArray propertyType;
                    qint64 propertyStart = 0, propertyEnd = 0;
                    while (child.next(propertyType, propertyStart, propertyEnd) &&
                           properties.size() < 100000) {
                        properties.append({propertyStart, propertyEnd});
                        propertyTypes.append(propertyType);
                    }
                } else if (childType == "ipma" && child.has(8)) {
                    const int version = int(child.number(1));
                    const int flags = int(child.number(3));
                    const quint64 entries = child.number(4);
                    for (quint64 i = 0; i < entries && child.has(version < 1 ? 3 : 5); ++i) {
                        const quint32 item = quint32(child.number(version < 1 ? 2 : 4));
                        const int count = int(child.number(1));
                        const int width = (flags & 1) ? 2 : 1;
                        QList<int>& list = associations[item];
                        for (int j = 0; j < count && child.has(width); ++j)
                            list.append(int(child.number(width) & ((flags & 1) ? 0x7FFF : 0x7F)));
                    }
                }
            }
        }
    }
    for (const auto& [irefStart, irefEnd] : std::as_const(irefs)) {
        Boxes box(meta, irefStart, irefEnd);
        if (!box.has(4))
            continue;
        const int idBytes = box.number(1) == 0 ? 2 : 4;
        box.skip(3);
        QByteArray referenceType;
        qint64 referenceStart = 0, referenceEnd = 0;
        while (box.next(referenceType, referenceStart, referenceEnd)) {
            Boxes reference(meta, referenceStart, referenceEnd);
            if (referenceType != "dimg" || !reference.has(idBytes + 2))
                continue;
            if (quint32(reference.number(idBytes)) != primary)
                continue;
            const int count = int(reference.number(2));
            for (int i = 0; i < count && reference.has(idBytes); ++i)
                named.append(quint32(reference.number(idBytes)));
        }
    }
    if (named.isEmpty())
        return tiles;

    // Each tile's area from its ispe property.
    QHash<quint32, qint64> areas;
    for (const quint32 item : std::as_const(named)) {
        if (areas.contains(item))
            continue;
        qint64 area = 0;
        for (const int number : associations.value(item)) {
            if (number < 1 || number > properties.size() || propertyTypes[number - 1] != "ispe")
                continue;
            Boxes ispe(meta, properties[number - 1].first, properties[number - 1].second);
            if (!ispe.has(12))
                continue;
            ispe.skip(4);
            const qint64 width = qint64(std::min<quint64>(ispe.number(4), kMaxSide));
            area = width * qint64(std::min<quint64>(ispe.number(4), kMaxSide));
            break;
        }
        areas.insert(item, area);
    }
    tiles.count = int(named.size());
    for (const quint32 item : std::as_const(named))
        tiles.area = std::min(tiles.area + areas.value(item), kMaxArea);
    return tiles;
}
