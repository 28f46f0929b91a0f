#include "ExifBlock.h"

#include <QList>

namespace {

void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

struct Entry
{
    int tag;
    int type; // 2 ASCII, 3 SHORT
    QByteArray ascii;
    int shortValue = 0;
};

} // namespace

QByteArray MakeExifBlock(int orientation, const QString& make, const QString& model, const QString& dateTime)
{
    const QList<Entry> entries = {
        {0x010F, 2, make.toLatin1() + '\0'},
        {0x0110, 2, model.toLatin1() + '\0'},
        {0x0112, 3, QByteArray(), orientation},
        {0x0132, 2, dateTime.toLatin1() + '\0'},
    };
    // TIFF header (8 bytes), then the IFD: count, 12 bytes per entry, next-IFD offset; then
    // the values that do not fit in four bytes.
    QByteArray tiff("II", 2);
    put16(tiff, 42);
    put32(tiff, 8);
    const int ifdSize = 2 + 12 * int(entries.size()) + 4;
    quint32 dataOffset = quint32(8 + ifdSize);
    QByteArray data;
    put16(tiff, int(entries.size()));
    for (const Entry& e : entries) {
        put16(tiff, e.tag);
        put16(tiff, e.type);
        if (e.type == 3) {
            put32(tiff, 1);
            put16(tiff, e.shortValue);
            put16(tiff, 0);
        } else {
            put32(tiff, quint32(e.ascii.size()));
            if (e.ascii.size() <= 4) {
                QByteArray inline4 = e.ascii.leftJustified(4, '\0');
                tiff.append(inline4);
            } else {
                put32(tiff, dataOffset + quint32(data.size()));
                data.append(e.ascii);
                if (data.size() % 2)
                    data.append('\0');
            }
        }
    }
    put32(tiff, 0);
    tiff.append(data);
    return QByteArray("Exif\0\0", 6) + tiff;
}
