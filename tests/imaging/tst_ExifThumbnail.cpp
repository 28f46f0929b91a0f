#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/imaging/ExifThumbnail.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

#include <QDir>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using Change = ExifThumbnail::Change;

namespace {

constexpr int kTiffStart = JpegMetadata::kExifHeaderSize;

// An EXIF block made for the tests, and where its parts are (positions in the APP1 payload).
struct Block
{
    QByteArray app1;
    bool bigEndian = false;
    int orientation = 1;
    qsizetype linkAt = 0;        // IFD0's link to IFD1
    qsizetype offsetEntryAt = 0; // IFD1's JPEGInterchangeFormat entry
    qsizetype lengthEntryAt = 0; // IFD1's JPEGInterchangeFormatLength entry
    qsizetype thumbnailAt = 0;   // the thumbnail's first byte
    qsizetype slotLength = 0;    // the thumbnail's length as IFD1 states it
    QSize thumbnailSize;

    quint32 u32(qsizetype at) const
    {
        const auto* p = reinterpret_cast<const uchar*>(app1.constData()) + at;
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    }
    quint16 u16(qsizetype at) const
    {
        const auto* p = reinterpret_cast<const uchar*>(app1.constData()) + at;
        return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    }
    void put32(qsizetype at, quint32 value)
    {
        auto* p = reinterpret_cast<uchar*>(app1.data()) + at;
        bigEndian ? qToBigEndian(value, p) : qToLittleEndian(value, p);
    }
    void put16(qsizetype at, quint16 value)
    {
        auto* p = reinterpret_cast<uchar*>(app1.data()) + at;
        bigEndian ? qToBigEndian(value, p) : qToLittleEndian(value, p);
    }
};

// Appends TIFF integers in one byte order.
class TiffWriter
{
public:
    explicit TiffWriter(bool bigEndian) : m_bigEndian(bigEndian) {}
    QByteArray bytes;

    qsizetype at() const { return bytes.size(); }
    void u16(quint16 value)
    {
        uchar raw[2];
        m_bigEndian ? qToBigEndian(value, raw) : qToLittleEndian(value, raw);
        bytes.append(reinterpret_cast<const char*>(raw), 2);
    }
    void u32(quint32 value)
    {
        uchar raw[4];
        m_bigEndian ? qToBigEndian(value, raw) : qToLittleEndian(value, raw);
        bytes.append(reinterpret_cast<const char*>(raw), 4);
    }
    // An entry whose value (or offset) is a LONG or a left-justified SHORT.
    void entry(quint16 tag, quint16 type, quint32 count, quint32 value)
    {
        u16(tag);
        u16(type);
        u32(count);
        if (type == 3 && count == 1) {
            u16(quint16(value));
            u16(0);
        } else {
            u32(value);
        }
    }

private:
    bool m_bigEndian;
};

enum class Place
{
    End,   // the thumbnail ends the block
    Middle // the GPS directory follows the thumbnail
};

// A camera-like EXIF block: IFD0 (make, orientation, links to the EXIF and GPS directories),
// the EXIF directory with a maker note, IFD1 describing the thumbnail, and the thumbnail,
// followed by `padding` zero bytes that its stated length includes.
Block cameraExif(bool bigEndian, Place place, const QByteArray& thumbnail, int orientation = 1,
                 int makerNoteSize = 64, int padding = 0)
{
    const QByteArray make("Lumora Test", 12);
    const QByteArray taken("2024:06:11 10:20:30", 20);
    QByteArray makerNote(makerNoteSize, 0);
    for (int i = 0; i < makerNoteSize; ++i)
        makerNote[i] = char(i * 7 + 3);
    const quint32 slot = quint32(thumbnail.size() + padding);

    constexpr quint32 ifd0 = 8, ifd0Size = 2 + 4 * 12 + 4;
    const quint32 makeAt = ifd0 + ifd0Size;
    const quint32 exifIfd = makeAt + quint32(make.size());
    const quint32 takenAt = exifIfd + 2 + 2 * 12 + 4;
    const quint32 makerNoteAt = takenAt + quint32(taken.size());
    const quint32 ifd1 = makerNoteAt + quint32(makerNote.size());
    const quint32 resolutionAt = ifd1 + 2 + 4 * 12 + 4;
    const quint32 afterIfd1 = resolutionAt + 8;
    constexpr quint32 gpsSize = 2 + 12 + 4;
    const quint32 thumbnailAt = place == Place::End ? afterIfd1 + gpsSize : afterIfd1;
    const quint32 gpsIfd = place == Place::End ? afterIfd1 : afterIfd1 + slot;

    Block block;
    block.bigEndian = bigEndian;
    block.orientation = orientation;
    TiffWriter w(bigEndian);
    w.bytes = bigEndian ? QByteArray("MM") : QByteArray("II");
    w.u16(42);
    w.u32(ifd0);
    w.u16(4);
    w.entry(0x010F, 2, quint32(make.size()), makeAt);
    w.entry(0x0112, 3, 1, quint32(orientation));
    w.entry(0x8769, 4, 1, exifIfd);
    w.entry(0x8825, 4, 1, gpsIfd);
    block.linkAt = kTiffStart + w.at();
    w.u32(ifd1);
    w.bytes += make;
    w.u16(2);
    w.entry(0x9003, 2, quint32(taken.size()), takenAt);
    w.entry(0x927C, 7, quint32(makerNote.size()), makerNoteAt);
    w.u32(0);
    w.bytes += taken + makerNote;
    w.u16(4);
    w.entry(0x0103, 3, 1, 6); // JPEG compression
    w.entry(0x011A, 5, 1, resolutionAt);
    block.offsetEntryAt = kTiffStart + w.at();
    w.entry(0x0201, 4, 1, thumbnailAt);
    block.lengthEntryAt = kTiffStart + w.at();
    w.entry(0x0202, 4, 1, slot);
    w.u32(0);
    w.u32(72);
    w.u32(1);
    auto gps = [&w] {
        w.u16(1);
        w.u16(0x0000); // GPS version 2.2.0.0: four bytes in the entry
        w.u16(1);
        w.u32(4);
        w.bytes.append("\x02\x02\x00\x00", 4);
        w.u32(0);
    };
    if (place == Place::End)
        gps();
    w.bytes += thumbnail + QByteArray(padding, 0);
    if (place == Place::Middle)
        gps();
    block.app1 = QByteArray("Exif\0\0", 6) + w.bytes;
    block.thumbnailAt = kTiffStart + thumbnailAt;
    block.slotLength = slot;
    return block;
}

QImage filled(const QSize& size, Qt::GlobalColor colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// White with the left half black: the "stamped" picture.
QImage halfBlack(const QSize& size)
{
    QImage picture = filled(size, Qt::white);
    QPainter(&picture).fillRect(QRect(0, 0, size.width() / 2, size.height()), Qt::black);
    return picture;
}

// Random pixels, which no JPEG quality packs small.
QImage noise(const QSize& size)
{
    QImage picture(size, QImage::Format_RGB32);
    QRandomGenerator random(20240611u);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = 0xFF000000u | random.bounded(0x1000000u);
    }
    return picture;
}

// A camera's thumbnail of a white photo: 160 x 120, in colour (about 950 bytes) or grey
// (about 560 bytes, less than any colour thumbnail of random pixels takes).
QByteArray whiteThumbnail(TestPictures::Kind kind = TestPictures::Kind::Colour)
{
    return TestPictures::jpeg(filled(QSize(160, 120), Qt::white), kind);
}

// The bytes with the given ranges (start, length) set to zero.
QByteArray masked(QByteArray bytes, const QList<QPair<qsizetype, qsizetype>>& ranges)
{
    for (const auto& [start, length] : ranges) {
        for (qsizetype i = start; i < start + length && i < bytes.size(); ++i)
            bytes[i] = 0;
    }
    return bytes;
}

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 70;
}

bool isLight(QRgb pixel)
{
    return qGray(pixel) > 185;
}

// Checks that `after` is `before` with a new thumbnail of the old pixel size in the old place
// (growing only when it ends the block), its length item updated and nothing else changed.
// The new thumbnail goes to `thumbnail`.
void checkReplaced(const Block& before, const QByteArray& after, QImage& thumbnail)
{
    Block now = before;
    now.app1 = after;
    const qsizetype length = now.u16(now.lengthEntryAt + 2) == 3 ? now.u16(now.lengthEntryAt + 8)
                                                                 : qsizetype(now.u32(now.lengthEntryAt + 8));
    const QList<QPair<qsizetype, qsizetype>> changed = {{before.lengthEntryAt + 8, 4},
                                                        {before.thumbnailAt, before.slotLength}};
    if (before.thumbnailAt + before.slotLength == before.app1.size()) {
        QCOMPARE(after.size(), before.thumbnailAt + length);
        QCOMPARE(masked(after.left(before.thumbnailAt), changed),
                 masked(before.app1.left(before.thumbnailAt), changed));
    } else {
        QVERIFY(length <= before.slotLength);
        QCOMPARE(after.size(), before.app1.size());
        QCOMPARE(masked(after, changed), masked(before.app1, changed));
        // What the new thumbnail leaves of the old one's place is cleared.
        QCOMPARE(after.mid(before.thumbnailAt + length, before.slotLength - length),
                 QByteArray(before.slotLength - length, 0));
    }
    // The length item states the new thumbnail's length exactly.
    const QByteArray data = after.mid(before.thumbnailAt, length);
    QVERIFY(data.endsWith("\xFF\xD9"));
    thumbnail = QImage::fromData(data, "JPEG");
    QVERIFY2(!thumbnail.isNull(), "the new thumbnail does not decode");
    QCOMPARE(thumbnail.size(), before.thumbnailSize);
}

} // namespace

Q_DECLARE_METATYPE(Block)
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Place)

class ExifThumbnailTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    // One EXIF block, renewed from a picture: replaced in place, removed where it cannot be,
    // left alone where there is nothing to renew.
    void renew_data();
    void renew();

    // Damaged blocks made from good ones byte by byte never crash, stay within a segment,
    // and are left as they are whenever nothing is renewed.
    void damagedBlocks();

    // A photo stamped through the batch: the output's thumbnail shows the watermark.
    void batchOutput_data();
    void batchOutput();
};

void ExifThumbnailTest::renew_data()
{
    QTest::addColumn<Block>("block");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<Change>("expected");
    QTest::addColumn<bool>("cleared"); // removed: the old thumbnail's bytes are cleared too
    QTest::addColumn<QList<QPoint>>("dark");
    QTest::addColumn<QList<QPoint>>("light");

    const QByteArray white = whiteThumbnail();
    const QByteArray grey = whiteThumbnail(TestPictures::Kind::Grayscale);
    const QImage stamped = halfBlack(QSize(320, 240));
    const QList<QPoint> left = {{40, 20}, {40, 60}, {40, 100}};
    const QList<QPoint> right = {{120, 20}, {120, 60}, {120, 100}};
    auto block = [&](bool bigEndian, Place place, int padding = 0, const QByteArray& thumbnail = {}) {
        Block b = cameraExif(bigEndian, place, thumbnail.isEmpty() ? white : thumbnail, 1, 64, padding);
        b.thumbnailSize = QSize(160, 120);
        return b;
    };
    auto row = [](const char* name, const Block& b, const QImage& picture, Change expected,
                  bool cleared = false, const QList<QPoint>& dark = {}, const QList<QPoint>& light = {}) {
        QTest::newRow(name) << b << picture << expected << cleared << dark << light;
    };

    row("intel, at the end", block(false, Place::End), stamped, Change::Replaced, false, left, right);
    row("motorola, at the end", block(true, Place::End), stamped, Change::Replaced, false, left, right);
    row("intel, in the middle", block(false, Place::Middle, 6000), stamped, Change::Replaced, false, left,
        right);
    row("motorola, in the middle", block(true, Place::Middle, 6000), stamped, Change::Replaced, false, left,
        right);
    row("at the end, growing", block(true, Place::End), noise(QSize(320, 240)), Change::Replaced);
    // Random pixels take about 10 KB at the first quality and 2.3 KB at the fifth.
    row("in the middle, lower quality", block(true, Place::Middle, 3000 - int(white.size())),
        noise(QSize(320, 240)), Change::Replaced);
    // A square picture in a 4:3 thumbnail: black bars left and right.
    row("other shape", block(false, Place::End), halfBlack(QSize(240, 240)), Change::Replaced, false,
        {{8, 60}, {50, 60}, {152, 60}}, {{110, 20}, {110, 100}});
    {
        Block b = block(false, Place::Middle, 6000);
        b.put16(b.lengthEntryAt + 2, 3); // a SHORT length
        b.put16(b.lengthEntryAt + 8, quint16(b.slotLength));
        b.put16(b.lengthEntryAt + 10, 0);
        row("2-byte length item", b, stamped, Change::Replaced, false, left, right);
    }

    // Random pixels in the place of a small grey thumbnail.
    row("in the middle, no room", block(false, Place::Middle, 0, grey), noise(QSize(320, 240)),
        Change::Removed, true);
    {
        // The thumbnail ends a block of the largest segment size: it cannot grow.
        const Block small = block(true, Place::End, 0, grey);
        Block full = cameraExif(true, Place::End, grey, 1,
                                64 + JpegMetadata::kMaxSegmentData - int(small.app1.size()));
        full.thumbnailSize = QSize(160, 120);
        QCOMPARE(full.app1.size(), JpegMetadata::kMaxSegmentData);
        row("at the end of a full segment", full, noise(QSize(320, 240)), Change::Removed, true);
    }
    {
        // 2000 x 2000 would fit at the end of the block, but is no thumbnail.
        Block b = block(false, Place::End);
        const qsizetype frame = b.app1.indexOf("\xFF\xC0", b.thumbnailAt);
        QVERIFY(frame > b.thumbnailAt);
        b.app1.replace(frame + 5, 4, QByteArray("\x07\xD0\x07\xD0", 4));
        row("implausible pixel size", b, stamped, Change::Removed, true);
    }

    // Damaged thumbnail items: removed, other bytes untouched.
    {
        Block b = block(false, Place::End);
        b.put32(b.offsetEntryAt + 8, quint32(b.app1.size()));
        row("offset outside", b, stamped, Change::Removed);
    }
    {
        Block b = block(true, Place::Middle);
        b.put32(b.lengthEntryAt + 8, 0xFFFFFFF0u);
        row("length past the end", b, stamped, Change::Removed);
    }
    {
        Block b = block(true, Place::End);
        b.put32(b.offsetEntryAt + 8, 8);
        b.put32(b.lengthEntryAt + 8, 20);
        row("thumbnail over IFD0", b, stamped, Change::Removed);
    }
    {
        // IFD0 links to a copy of IFD1 inside the thumbnail's stated bytes: renewing them
        // would overwrite the directory that states their length.
        Block b = block(false, Place::Middle, 200);
        const qsizetype ifd1 = b.offsetEntryAt - 2 - 2 * 12;
        const qsizetype copy = b.thumbnailAt + white.size() + 16;
        b.app1.replace(copy, 2 + 4 * 12 + 4, b.app1.mid(ifd1, 2 + 4 * 12 + 4));
        b.put32(b.linkAt, quint32(copy - kTiffStart));
        row("IFD1 inside the thumbnail", b, stamped, Change::Removed);
    }
    {
        Block b = block(false, Place::Middle);
        b.app1.replace(b.thumbnailAt, b.slotLength, QByteArray(b.slotLength, 'x'));
        row("not a JPEG picture", b, stamped, Change::Removed);
    }
    {
        Block b = block(false, Place::End);
        b.put16(b.lengthEntryAt, 0x0203);
        row("length item missing", b, stamped, Change::Removed);
    }
    {
        Block b = block(true, Place::Middle);
        b.put16(b.offsetEntryAt, 0x0111); // StripOffsets
        b.put16(b.lengthEntryAt, 0x0117); // StripByteCounts
        row("uncompressed thumbnail", b, stamped, Change::Removed);
    }

    // Nothing to renew.
    {
        Block b = block(false, Place::End);
        b.put32(b.linkAt, 0);
        row("no IFD1", b, stamped, Change::None);
    }
    {
        Block b = block(true, Place::End);
        b.put32(b.linkAt, 0x7FFFFFF0u);
        row("IFD1 outside", b, stamped, Change::None);
    }
    {
        Block b = block(false, Place::Middle);
        b.put16(b.offsetEntryAt, 0x011B);
        b.put16(b.lengthEntryAt, 0x0128);
        row("IFD1 without thumbnail", b, stamped, Change::None);
    }
    {
        Block b = block(false, Place::Middle);
        b.put32(b.lengthEntryAt + 8, 0);
        row("empty thumbnail", b, stamped, Change::None);
    }
    {
        Block b = block(false, Place::End);
        b.app1.replace(kTiffStart, 2, "XX");
        row("unknown byte order", b, stamped, Change::None);
    }
    {
        Block b;
        b.app1 = QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42);
        row("not an EXIF block", b, stamped, Change::None);
    }
}

void ExifThumbnailTest::renew()
{
    QFETCH(Block, block);
    QFETCH(QImage, picture);
    QFETCH(Change, expected);
    QFETCH(bool, cleared);
    QFETCH(QList<QPoint>, dark);
    QFETCH(QList<QPoint>, light);

    QByteArray app1 = block.app1;
    QCOMPARE(ExifThumbnail::renew(app1, picture), expected);
    QVERIFY(app1.size() <= JpegMetadata::kMaxSegmentData);
    switch (expected) {
    case Change::None:
        QCOMPARE(app1, block.app1);
        break;
    case Change::Replaced: {
        QImage thumbnail;
        checkReplaced(block, app1, thumbnail);
        if (QTest::currentTestFailed())
            return;
        for (const QPoint& p : dark)
            QVERIFY2(isDark(thumbnail.pixel(p)),
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
        for (const QPoint& p : light)
            QVERIFY2(isLight(thumbnail.pixel(p)),
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
        break;
    }
    case Change::Removed: {
        Block now = block;
        now.app1 = app1;
        QCOMPARE(now.u32(block.linkAt), 0u);
        QList<QPair<qsizetype, qsizetype>> changed = {{block.linkAt, 4}};
        const bool atEnd = block.thumbnailAt + block.slotLength == block.app1.size();
        if (cleared && atEnd) {
            QCOMPARE(app1.size(), block.thumbnailAt);
        } else {
            QCOMPARE(app1.size(), block.app1.size());
            if (cleared) {
                QCOMPARE(app1.mid(block.thumbnailAt, block.slotLength), QByteArray(block.slotLength, 0));
                changed.append({block.thumbnailAt, block.slotLength});
            }
        }
        QCOMPARE(masked(app1, changed), masked(block.app1.left(app1.size()), changed));
        // Still an EXIF block that reads, now without a thumbnail.
        QCOMPARE(JpegMetadata::orientationFromExif(app1), block.orientation);
        QByteArray again = app1;
        QCOMPARE(ExifThumbnail::renew(again, picture), Change::None);
        QCOMPARE(again, app1);
        break;
    }
    }
}

void ExifThumbnailTest::damagedBlocks()
{
    const QImage picture = halfBlack(QSize(64, 48));
    const QByteArray white = whiteThumbnail();
    int outcomes[3] = {};
    for (const bool bigEndian : {false, true}) {
        const Block good = cameraExif(bigEndian, bigEndian ? Place::Middle : Place::End, white, 6, 8, 40);
        // Every byte of the TIFF structure and of the thumbnail's headers, a few ways.
        const qsizetype frame = good.app1.indexOf("\xFF\xC0", good.thumbnailAt);
        QVERIFY(frame > good.thumbnailAt);
        for (qsizetype at = kTiffStart; at < frame + 10; ++at) {
            for (const int value : {0x00, 0xFF, 0x7F, uchar(good.app1[at]) ^ 0x01}) {
                QByteArray app1 = good.app1;
                app1[at] = char(value);
                const QByteArray damaged = app1;
                const Change change = ExifThumbnail::renew(app1, picture);
                ++outcomes[int(change)];
                QVERIFY(app1.startsWith(QByteArray("Exif\0\0", 6)));
                QVERIFY(app1.size() <= JpegMetadata::kMaxSegmentData);
                if (change == Change::None)
                    QCOMPARE(app1, damaged);
            }
        }
    }
    // The damage reached every outcome.
    QVERIFY(outcomes[int(Change::None)] > 0);
    QVERIFY(outcomes[int(Change::Replaced)] > 0);
    QVERIFY(outcomes[int(Change::Removed)] > 0);
}

void ExifThumbnailTest::batchOutput_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<Place>("place");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("lossless"); // the thumbnail made from the coefficients' DC values
    QTest::addColumn<int>("format");    // OutputSettings::Format
    const int jpeg = OutputSettings::Jpeg, png = OutputSettings::Png, webp = OutputSettings::Webp;
    QTest::newRow("intel, at the end") << false << Place::End << 1 << false << jpeg;
    QTest::newRow("motorola, at the end, turned") << true << Place::End << 6 << false << jpeg;
    QTest::newRow("intel, in the middle, turned") << false << Place::Middle << 8 << false << jpeg;
    QTest::newRow("motorola, in the middle") << true << Place::Middle << 1 << false << jpeg;
    QTest::newRow("lossless, intel, at the end") << false << Place::End << 1 << true << jpeg;
    QTest::newRow("lossless, motorola, in the middle, turned") << true << Place::Middle << 6 << true << jpeg;
    // PNG and WebP outputs stand upright (orientation 1): so does their thumbnail.
    QTest::newRow("png, intel, at the end") << false << Place::End << 1 << false << png;
    QTest::newRow("png, motorola, in the middle, turned") << true << Place::Middle << 6 << false << png;
    QTest::newRow("webp, intel, at the end, turned") << false << Place::End << 8 << false << webp;
    QTest::newRow("webp, motorola, in the middle") << true << Place::Middle << 1 << false << webp;
}

void ExifThumbnailTest::batchOutput()
{
    QFETCH(bool, bigEndian);
    QFETCH(Place, place);
    QFETCH(int, orientation);
    QFETCH(bool, lossless);
    QFETCH(int, format);
    const bool jpegOutput = format == OutputSettings::Jpeg;

    // A template with one layer: a black picture over the left half of the upright photo.
    const TempDataFolder folder;
    QVERIFY(QDir().mkpath(folder.templates()));
    const QSize stored(320, 240);
    const QSize upright = ImageOrientation::uprightSize(stored, orientation);
    const QString mark = folder.root() + QStringLiteral("/mark.png");
    QVERIFY(filled(QSize(8, 8), Qt::black).save(mark));
    WatermarkConf layer;
    layer.textContent = QStringLiteral(" ");
    layer.ImagePathName = mark;
    layer.ImageLocation = 0;
    layer.ImageWidth = upright.width() / 2;
    layer.ImageHeight = upright.height();
    layer.ScaleImgWT = 0;
    QVERIFY(SaveLayerConf(QStringLiteral("mark"), layer, layer.Font));
    WatermarkTemplate stamp;
    stamp.name = QStringLiteral("Half");
    stamp.layers = {QStringLiteral("mark")};
    QVERIFY(saveWatermarkTemplate(stamp));

    // A white photo whose camera thumbnail is white, in the photo's stored orientation.
    Block exif = cameraExif(bigEndian, place, whiteThumbnail(), orientation);
    exif.thumbnailSize = QSize(160, 120);
    const QList<JpegMetadata::Segment> segments = {
        {JpegMetadata::kApp1, exif.app1},
        {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\1\1profile", 21)},
        {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42)},
    };
    const QString photo = folder.root() + QStringLiteral("/photo.jpg");
    QVERIFY(writeFile(photo,
                      TestPictures::jpeg(filled(stored, Qt::white), TestPictures::Kind::Colour, segments)));

    RenderRequest request;
    request.mode = ComposeMode::BatchOutput;
    request.sourcePath = photo;
    request.templateName = stamp.name;
    request.output.OutputFolderOpts = OutputSettings::ToOutputFolder;
    request.output.OutputFolderPath = folder.root() + QStringLiteral("/out");
    request.output.OutputFileNameOpts = OutputSettings::AddSuffix;
    request.output.OutputFileNameSuffix = QStringLiteral("_new");
    request.output.OutputFormat = format;
    request.losslessJpeg = lossless;
    const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
    QVERIFY2(result.outcome.ok(), qPrintable(result.outcome.sentence()));

    QImage thumbnail;
    if (jpegOutput) {
        QList<JpegMetadata::Segment> kept;
        for (const JpegMetadata::Segment& segment :
             TestPictures::scanSegments(readFile(result.outcome.outputPath))) {
            if (JpegMetadata::isKeptMarker(segment.marker))
                kept.append(segment);
        }
        QCOMPARE(kept.size(), segments.size());
        QCOMPARE(kept.mid(1), segments.mid(1));
        checkReplaced(exif, kept[0].data, thumbnail);
    } else {
        // The output's EXIF block is the photo's with the orientation item 1 and a thumbnail
        // of the upright picture, its sides swapped as the photo's orientation swapped them.
        PhotoDecoder decoder;
        QVERIFY(decoder.open(result.outcome.outputPath));
        QImage decoded;
        QVERIFY(decoder.decode(decoded));
        const QByteArray carried = decoder.embeddedMetadata().exif;
        QVERIFY(!carried.isEmpty());
        Block before = exif;
        const qsizetype orientationValue = kTiffStart + 8 + 2 + 12 + 8; // IFD0's second entry
        QCOMPARE(before.u16(orientationValue), quint16(orientation));
        before.bigEndian ? qToBigEndian(quint16(1), before.app1.data() + orientationValue)
                         : qToLittleEndian(quint16(1), before.app1.data() + orientationValue);
        before.thumbnailSize = ImageOrientation::uprightSize(exif.thumbnailSize, orientation);
        checkReplaced(before, QByteArray("Exif\0\0", kTiffStart) + carried, thumbnail);
    }
    if (QTest::currentTestFailed())
        return;

    // Where the output's picture is wholly black or wholly white around a point, so is the
    // thumbnail (half its size) there.
    QImage expected = filled(upright, Qt::white);
    QPainter(&expected).fillRect(QRect(0, 0, upright.width() / 2, upright.height()), Qt::black);
    if (jpegOutput)
        expected = ImageOrientation::turnBack(expected, orientation);
    QCOMPARE(expected.size() / 2, thumbnail.size());
    int dark = 0, light = 0;
    for (int y = 10; y < thumbnail.height(); y += 20) {
        for (int x = 10; x < thumbnail.width(); x += 20) {
            const QRect around = QRect(2 * x - 16, 2 * y - 16, 33, 33) & expected.rect();
            const QImage patch = expected.copy(around);
            const bool allDark = patch == filled(around.size(), Qt::black).convertToFormat(patch.format());
            const bool allLight = patch == filled(around.size(), Qt::white).convertToFormat(patch.format());
            const QString where = QStringLiteral("(%1, %2)").arg(x).arg(y);
            if (allDark) {
                QVERIFY2(isDark(thumbnail.pixel(x, y)), qPrintable(where));
                ++dark;
            } else if (allLight) {
                QVERIFY2(isLight(thumbnail.pixel(x, y)), qPrintable(where));
                ++light;
            }
        }
    }
    QVERIFY(dark >= 10 && light >= 10);
}

QTEST_MAIN(ExifThumbnailTest)
#include "tst_ExifThumbnail.moc"
