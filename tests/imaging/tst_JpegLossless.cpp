#include <QPainter>
#include <QPainterPath>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "services/imaging/ImageEncoder.h"
#include "services/imaging/JpegBlockMerger.h"
#include "services/imaging/JpegCoefficients.h"
#include "services/imaging/JpegHuffmanTables.h"
#include "services/imaging/MemoryReuse.h"
#include "services/imaging/PhotoDecoder.h"
#include "support/JpegTestBlocks.h"
#include "support/MemoryJpeg.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

using namespace JpegTestBlocks;

namespace {

// How a test photo is encoded (straight through libjpeg, independent of the code under test).
struct Encoding
{
    int h = 2; // sampling factors of the first component (the others are 1 x 1)
    int v = 2;
    bool grey = false;
    bool rgb = false; // RGB colour space instead of YCbCr
    bool progressive = false;
    int restart = 0; // restart interval in MCUs
    int quality = 90;
};

// Grey from RGB with JFIF's weights, as a JPEG encoder makes it.
uchar jfifGrey(int r, int g, int b)
{
    return uchar((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
}

QByteArray encode(const QImage& image, const Encoding& e)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    MemoryJpeg file(rgb.width(), rgb.height(), e.grey ? 1 : 3, e.grey ? JCS_GRAYSCALE : JCS_RGB);
    jpeg_compress_struct& cinfo = file.cinfo;
    if (e.rgb)
        jpeg_set_colorspace(&cinfo, JCS_RGB);
    jpeg_set_quality(&cinfo, e.quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = e.h;
    cinfo.comp_info[0].v_samp_factor = e.v;
    for (int c = 1; c < cinfo.num_components; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    if (e.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = unsigned(e.restart);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uchar> row(size_t(rgb.width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = rgb.constScanLine(int(cinfo.next_scanline));
        for (int x = 0; x < rgb.width(); ++x)
            row[size_t(x)] = jfifGrey(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
        file.writeRow(e.grey ? row.data() : in);
    }
    return file.finish();
}

// A picture with smooth gradients, fine detail and sharp colour edges, so that blocks hold
// many coefficients of every kind.
QImage texture(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int r = int(128 + 100 * std::sin(x / 9.0) * std::cos(y / 13.0));
            const int g = (x * 5 ^ y * 3) & 0xFF;
            const int b = ((x / 16 + y / 16) % 2) ? 230 : 20;
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

// A layer as a watermark draws it: an opaque anti-aliased turned ellipse, a translucent band,
// a hairline, a nearly transparent corner and fully transparent pixels in between.
QImage layer(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(-30);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(158, 51, 11));
    painter.drawEllipse(QPointF(0, 0), size.width() / 3.0, size.height() / 5.0);
    painter.resetTransform();
    painter.fillRect(QRect(0, size.height() - 20, size.width() / 2, 12), QColor(255, 255, 255, 100));
    painter.setPen(QPen(QColor(0, 0, 255), 1));
    painter.drawLine(QPointF(3.5, 3.5), QPointF(size.width() - 3.5, 9.5));
    painter.fillRect(QRect(size.width() - 12, size.height() - 12, 12, 12), QColor(0, 0, 0, 2));
    return image;
}

// The decoded photo with the layer drawn over it, as the full path would stamp it.
QImage stamped(const QImage& decoded, const QImage& mark, const QPoint& at, bool grey)
{
    QImage canvas = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter(&canvas).drawImage(at, mark);
    canvas = canvas.convertToFormat(QImage::Format_RGB888);
    if (grey) {
        for (int y = 0; y < canvas.height(); ++y) {
            uchar* p = canvas.scanLine(y);
            for (int x = 0; x < canvas.width(); ++x, p += 3)
                p[0] = p[1] = p[2] = jfifGrey(p[0], p[1], p[2]);
        }
    }
    return canvas;
}

QString writeTemporary(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    return writeFile(path, data) ? path : QString();
}

} // namespace

class JpegLosslessTest : public QObject
{
    Q_OBJECT

private slots:
    // Stamping through the coefficients: outside the re-encoded blocks (and a border of one
    // pixel, where smooth chroma upsampling reads the neighbouring chroma block) the output
    // decodes to exactly the photo's pixels and keeps exactly its coefficients; a block is
    // re-encoded only where the layer has pixels, and wherever the layer clearly changes the
    // photo; inside, the output is as close to the stamped photo as encoding the stamped photo
    // as JPEG with the same settings; the file keeps its sampling, tables, scans and restart
    // interval.
    void mergeChangesOnlyTheBlocksUnderTheLayer_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("v");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<bool>("rgb");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<int>("restart");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("markSize");
        const QSize size(301, 203); // not whole MCUs
        const QPoint inside(37, 29);
        const QPoint corner(230, 150); // the layer reaches past the right and bottom edges
        QTest::newRow("4:2:0") << size << 2 << 2 << false << false << false << 0 << inside << QSize(150, 90);
        QTest::newRow("4:2:2") << size << 2 << 1 << false << false << false << 0 << inside << QSize(150, 90);
        QTest::newRow("4:4:0") << size << 1 << 2 << false << false << false << 0 << inside << QSize(150, 90);
        QTest::newRow("4:4:4") << size << 1 << 1 << false << false << false << 0 << inside << QSize(150, 90);
        QTest::newRow("4:2:0 at the corner")
            << size << 2 << 2 << false << false << false << 0 << corner << QSize(150, 90);
        QTest::newRow("grey") << size << 1 << 1 << true << false << false << 0 << inside << QSize(150, 90);
        QTest::newRow("RGB colour space")
            << size << 1 << 1 << false << true << false << 0 << inside << QSize(150, 90);
        QTest::newRow("progressive 4:2:0")
            << size << 2 << 2 << false << false << true << 0 << inside << QSize(150, 90);
        QTest::newRow("progressive 4:4:4")
            << size << 1 << 1 << false << false << true << 0 << corner << QSize(150, 90);
        QTest::newRow("progressive grey")
            << size << 1 << 1 << true << false << true << 0 << inside << QSize(150, 90);
        QTest::newRow("restart every 3 MCUs")
            << size << 2 << 2 << false << false << false << 3 << inside << QSize(150, 90);
        QTest::newRow("restart every MCU, 4:2:2")
            << size << 2 << 1 << false << false << false << 1 << corner << QSize(150, 90);
        QTest::newRow("progressive, restarts")
            << size << 2 << 2 << false << false << true << 5 << inside << QSize(150, 90);
        // Merged band by band.
        QTest::newRow("several bands") << QSize(160, 1400) << 2 << 2 << false << false << false << 0
                                       << QPoint(10, 30) << QSize(120, 1300);
        QTest::newRow("one MCU") << QSize(13, 11) << 2 << 2 << false << false << false << 0
                                 << QPoint(-60, -40) << QSize(150, 90);
    }

    void mergeChangesOnlyTheBlocksUnderTheLayer()
    {
        QFETCH(QSize, size);
        QFETCH(int, h);
        QFETCH(int, v);
        QFETCH(bool, grey);
        QFETCH(bool, rgb);
        QFETCH(bool, progressive);
        QFETCH(int, restart);
        QFETCH(QPoint, at);
        QFETCH(QSize, markSize);
        Encoding encoding;
        encoding.h = h;
        encoding.v = v;
        encoding.grey = grey;
        encoding.rgb = rgb;
        encoding.progressive = progressive;
        encoding.restart = restart;
        const QByteArray source = encode(texture(size), encoding);
        QTemporaryDir dir;
        const QString sourcePath = writeTemporary(dir, QStringLiteral("photo.jpg"), source);
        const QString outputPath = dir.filePath(QStringLiteral("stamped.jpg"));
        const QImage mark = layer(markSize);

        JpegCoefficients coefficients;
        QVERIFY(coefficients.read(sourcePath, PhotoDecoder::kDefaultPixelLimit).ok());
        JpegBlockMerger::Result merged;
        QVERIFY(JpegBlockMerger::merge(coefficients, mark, at, &merged).ok());
        QVERIFY(coefficients.fitTables().ok());
        QVERIFY(ImageEncoder::writeJpegCoefficients(coefficients, outputPath).ok());
        const QByteArray output = readFile(outputPath);

        const Blocks before = readBlocks(source);
        const Blocks after = readBlocks(output);
        QCOMPARE(after.size, before.size);
        QCOMPARE(after.progressive, before.progressive);
        QCOMPARE(after.restart, before.restart);
        QCOMPARE(after.space, before.space);
        QCOMPARE(after.quant, before.quant);
        QCOMPARE(after.components.size(), before.components.size());
        for (size_t c = 0; c < before.components.size(); ++c) {
            QCOMPARE(after.components[c].h, before.components[c].h);
            QCOMPARE(after.components[c].v, before.components[c].v);
        }
        const QList<QRect> changed = changedBlocks(before, after);
        QVERIFY(!changed.isEmpty());
        QVERIFY(changed.size() <= merged.blocks);

        // Exactly the photo outside the changed blocks and their one-pixel border.
        const QImage photo = decode(source);
        const QImage result = decode(output);
        QImage near(size, QImage::Format_Grayscale8);
        near.fill(0);
        {
            QPainter painter(&near);
            for (const QRect& block : changed)
                painter.fillRect(block.adjusted(-1, -1, 1, 1), Qt::white);
        }
        int differing = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (near.constScanLine(y)[x] == 0 && channelDifference(photo, result, x, y) != 0)
                    ++differing;
            }
        }
        QCOMPARE(differing, 0);

        // Only blocks under the layer's pixels, and every block where the layer clearly shows.
        const QRect drawn = QRect(at, mark.size()) & QRect(QPoint(0, 0), size);
        QImage covered(size, QImage::Format_Grayscale8);
        covered.fill(0);
        for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(mark.constScanLine(y - at.y()));
            for (int x = drawn.left(); x <= drawn.right(); ++x)
                covered.scanLine(y)[x] = line[x - at.x()] != 0 ? 255 : 0;
        }
        for (const QRect& block : changed) {
            bool under = false;
            for (int y = block.top(); y <= block.bottom() && !under; ++y) {
                for (int x = block.left(); x <= block.right() && !under; ++x)
                    under = covered.constScanLine(y)[x] != 0;
            }
            QVERIFY2(under, qPrintable(QStringLiteral("block at %1,%2 changed without the layer")
                                           .arg(block.x())
                                           .arg(block.y())));
        }
        const QImage reference = stamped(photo, mark, at, grey);
        QImage changedPixels(size, QImage::Format_Grayscale8);
        changedPixels.fill(0);
        {
            QPainter painter(&changedPixels);
            for (const QRect& block : changed)
                painter.fillRect(block, Qt::white);
        }
        for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
            for (int x = drawn.left(); x <= drawn.right(); ++x) {
                if (channelDifference(photo, reference, x, y) > 64)
                    QVERIFY2(
                        changedPixels.constScanLine(y)[x] != 0,
                        qPrintable(QStringLiteral("pixel %1,%2 changes, its blocks did not").arg(x).arg(y)));
            }
        }

        // Inside: as close to the stamped photo as a JPEG of it with the photo's settings.
        Encoding same = encoding;
        same.grey = grey;
        const QImage encodedReference = decode(encode(reference, same));
        const double ours = psnr(result, reference, drawn);
        const double full = psnr(encodedReference, reference, drawn);
        QVERIFY2(ours >= full - 1.0, qPrintable(QStringLiteral("%1 dB against %2 dB").arg(ours).arg(full)));
    }

    // The pixels under a watermark, decoded from a few blocks around them, are exactly those
    // that decoding the whole photo gives (smooth chroma upsampling reads across block edges,
    // so the blocks around count too), wherever the area lies.
    void areaDecodesAsTheWholePhoto_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("v");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QRect>("area");
        const QRect middle(48, 32, 96, 64);
        const QRect corner(288, 192, 13, 11); // the photo's last pixels
        const QRect top(0, 0, 301, 16);
        QTest::newRow("4:2:0 middle") << 2 << 2 << false << false << middle;
        QTest::newRow("4:2:0 corner") << 2 << 2 << false << false << corner;
        QTest::newRow("4:2:0 top rows") << 2 << 2 << false << false << top;
        QTest::newRow("4:2:2 middle") << 2 << 1 << false << false << middle;
        QTest::newRow("4:4:0 middle") << 1 << 2 << false << false << middle;
        QTest::newRow("4:4:4 corner") << 1 << 1 << false << false << corner;
        QTest::newRow("grey middle") << 1 << 1 << true << false << middle;
        QTest::newRow("progressive 4:2:0 middle") << 2 << 2 << false << true << middle;
    }

    void areaDecodesAsTheWholePhoto()
    {
        QFETCH(int, h);
        QFETCH(int, v);
        QFETCH(bool, grey);
        QFETCH(bool, progressive);
        QFETCH(QRect, area);
        Encoding encoding;
        encoding.h = h;
        encoding.v = v;
        encoding.grey = grey;
        encoding.progressive = progressive;
        QTemporaryDir dir;
        const QString path =
            writeTemporary(dir, QStringLiteral("photo.jpg"), encode(texture(QSize(301, 203)), encoding));
        QImage whole;
        QVERIFY(PhotoDecoder::load(path, whole).ok());
        whole = whole.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        JpegCoefficients coefficients;
        QVERIFY(coefficients.read(path, PhotoDecoder::kDefaultPixelLimit).ok());
        const QImage part = JpegBlockMerger::decodePixels(coefficients, area);
        QCOMPARE(part.size(), area.size());
        QCOMPARE(part, whole.copy(area));
    }

    // The code lengths form a prefix code JPEG can use whatever the counts: at most 16 bits,
    // no code of all ones (the lengths leave room), one code per counted symbol, and never a
    // longer code for a more frequent symbol.
    void huffmanTablesAreUsablePrefixCodes_data()
    {
        QTest::addColumn<QList<quint64>>("counts"); // symbol 0, 1, ...
        QList<quint64> uniform(256, 1000);
        QList<quint64> doubling;
        for (int i = 0; i < 40; ++i)
            doubling.append(quint64(1) << i); // a Huffman tree 39 deep without the limit
        QList<quint64> fibonacci{1, 1};
        while (fibonacci.size() < 60)
            fibonacci.append(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
        QList<quint64> sparse(256, 0);
        for (int i = 0; i < 256; i += 17)
            sparse[i] = quint64(i * i + 1);
        QTest::newRow("one symbol") << QList<quint64>{0, 0, 5};
        QTest::newRow("two symbols") << QList<quint64>{7, 3};
        QTest::newRow("all 256, equal") << uniform;
        QTest::newRow("powers of two") << doubling;
        QTest::newRow("fibonacci") << fibonacci;
        QTest::newRow("sparse") << sparse;
    }

    void huffmanTablesAreUsablePrefixCodes()
    {
        QFETCH(QList<quint64>, counts);
        std::array<quint64, 256> frequencies{};
        int used = 0;
        for (qsizetype i = 0; i < counts.size(); ++i) {
            frequencies[size_t(i)] = counts[i];
            used += counts[i] > 0 ? 1 : 0;
        }
        std::array<int, 17> bits{};
        std::array<int, 256> values{};
        const int written = JpegHuffmanTables::build(frequencies, bits, values);
        QCOMPARE(written, used);
        int total = 0;
        double kraft = 0;
        for (int length = 1; length <= 16; ++length) {
            total += bits[size_t(length)];
            kraft += bits[size_t(length)] / double(1 << length);
        }
        QCOMPARE(total, used);
        QVERIFY2(kraft < 1.0, qPrintable(QString::number(kraft, 'g', 17)));
        std::array<int, 256> length{};
        int index = 0;
        for (int l = 1; l <= 16; ++l) {
            for (int n = 0; n < bits[size_t(l)]; ++n)
                length[size_t(values[size_t(index++)])] = l;
        }
        for (int a = 0; a < 256; ++a) {
            QCOMPARE(length[size_t(a)] > 0, frequencies[size_t(a)] > 0);
            for (int b = 0; b < 256; ++b) {
                if (frequencies[size_t(a)] > frequencies[size_t(b)] && frequencies[size_t(b)] > 0)
                    QVERIFY(length[size_t(a)] <= length[size_t(b)]);
            }
        }
    }

    // A batch worker keeps the coefficient arrays of one photo for the next: a photo read or
    // decoded in memory that held another photo's coefficients gives exactly what it gives in
    // fresh memory (libjpeg relies on zeroed arrays), progressive and baseline alike.
    void reusedMemoryDecodesAsFreshMemory_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::newRow("progressive") << true;
        QTest::newRow("baseline") << false;
    }

    void reusedMemoryDecodesAsFreshMemory()
    {
        QFETCH(bool, progressive);
        // Arrays of several megabytes, so that they come from kept blocks.
        const QSize size(2000, 1400);
        Encoding encoding;
        encoding.h = encoding.v = 1;
        encoding.progressive = progressive;
        QTemporaryDir dir;
        const QString busy = writeTemporary(dir, QStringLiteral("busy.jpg"), encode(texture(size), encoding));
        QImage plain(size, QImage::Format_RGB32);
        plain.fill(QColor(40, 90, 200));
        const QString calm = writeTemporary(dir, QStringLiteral("calm.jpg"), encode(plain, encoding));

        QImage fresh;
        QVERIFY(PhotoDecoder::load(calm, fresh).ok());
        QCOMPARE(MemoryReuse::Block::keptBytes(), size_t(0)); // this thread keeps nothing

        QImage reused;
        QImage dcBusy;
        QImage dcCalm;
        size_t kept = 0;
        QSemaphore done;
        QThreadPool::globalInstance()->start([&]() {
            QImage first;
            PhotoDecoder::load(busy, first);
            {
                JpegCoefficients coefficients;
                if (coefficients.read(busy, PhotoDecoder::kDefaultPixelLimit))
                    dcBusy = coefficients.dcPicture();
            }
            kept = MemoryReuse::Block::keptBytes();
            PhotoDecoder::load(calm, reused);
            JpegCoefficients coefficients;
            if (coefficients.read(calm, PhotoDecoder::kDefaultPixelLimit))
                dcCalm = coefficients.dcPicture();
            done.release();
        });
        done.acquire();
        QVERIFY(kept >= size_t(size.width()) * size.height() * 3 * 2); // the three arrays at least
        QVERIFY(!reused.isNull());
        QCOMPARE(reused, fresh);
        QVERIFY(!dcCalm.isNull());
        QVERIFY(dcCalm != dcBusy);
        JpegCoefficients coefficients;
        QVERIFY(coefficients.read(calm, PhotoDecoder::kDefaultPixelLimit).ok());
        QCOMPARE(dcCalm, coefficients.dcPicture());
    }
};

QTEST_GUILESS_MAIN(JpegLosslessTest)
#include "tst_JpegLossless.moc"
