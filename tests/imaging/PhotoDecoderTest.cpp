#include "services/imaging/PhotoDecoder.h"
#include "imaging/TestPictures.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using TestPictures::Kind;
using Segment = JpegMetadata::Segment;

Q_DECLARE_METATYPE(PhotoDecoder::Format)
Q_DECLARE_METATYPE(TestPictures::Kind)

namespace {

// Colours of a decoded picture agree with the source within the loss of JPEG coding.
bool closeTo(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray encodedWithQt(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

// The offset of the frame header's height field in a baseline or progressive JPEG.
qsizetype frameSizeOffset(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2))
            return i + 5;
    }
    return -1;
}

} // namespace

class PhotoDecoderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString put(const QString& name, const QByteArray& data)
    {
        const QString path = m_dir.filePath(name);
        TestPictures::writeFile(path, data);
        return path;
    }

private slots:
    void decodesEveryFormatByContent_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<PhotoDecoder::Format>("format");
        QTest::addColumn<int>("tolerance");

        const QImage picture = TestPictures::testPicture(61, 37);
        const QByteArray jpeg = TestPictures::encode(picture);
        QTest::newRow("jpeg") << "a.jpg" << jpeg << PhotoDecoder::Format::Jpeg << 12;
        QTest::newRow("progressive jpeg") << "b.jpeg" << TestPictures::encode(picture, Kind::Progressive)
                                          << PhotoDecoder::Format::Jpeg << 12;
        QTest::newRow("png") << "c.png" << encodedWithQt(picture, "PNG") << PhotoDecoder::Format::Png << 0;
        QTest::newRow("bmp") << "d.bmp" << encodedWithQt(picture, "BMP") << PhotoDecoder::Format::Bmp << 0;
        QTest::newRow("tiff") << "e.tiff" << encodedWithQt(picture, "TIFF") << PhotoDecoder::Format::Tiff
                              << 0;
        QTest::newRow("gif") << "f.gif" << TestPictures::gif(picture) << PhotoDecoder::Format::Gif << 8;
        QTest::newRow("jpeg named png") << "g.png" << jpeg << PhotoDecoder::Format::Jpeg << 12;
        QTest::newRow("png named jpg")
            << "h.jpg" << encodedWithQt(picture, "PNG") << PhotoDecoder::Format::Png << 0;
        QTest::newRow("no extension")
            << "i" << encodedWithQt(picture, "BMP") << PhotoDecoder::Format::Bmp << 0;
    }

    void decodesEveryFormatByContent()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(PhotoDecoder::Format, format);
        QFETCH(int, tolerance);
        QVERIFY(!data.isEmpty());
        const QString path = put(fileName, data);

        PhotoDecoder decoder;
        const ImagingStatus opened = decoder.open(path);
        QVERIFY2(opened.ok, qPrintable(opened.error));
        QCOMPARE(decoder.format(), format);
        QCOMPARE(decoder.storedSize(), QSize(61, 37));
        QImage image;
        const ImagingStatus decoded = decoder.decode(image);
        QVERIFY2(decoded.ok, qPrintable(decoded.error));
        QCOMPARE(image.size(), QSize(61, 37));
        const QImage expected = TestPictures::testPicture(61, 37);
        for (const QPoint p : {QPoint(5, 5), QPoint(55, 5), QPoint(5, 33), QPoint(55, 33)})
            QVERIFY2(closeTo(image.pixel(p), expected.pixel(p), tolerance),
                     qPrintable(QString::number(p.x())));
    }

    void jpegColourModels_data()
    {
        QTest::addColumn<TestPictures::Kind>("kind");
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("grey") << Kind::Grayscale << QImage::Format_Grayscale8;
        QTest::newRow("colour") << Kind::Colour << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("adobe cmyk") << Kind::AdobeCmyk << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("adobe ycck") << Kind::AdobeYcck << QImage::Format_ARGB32_Premultiplied;
    }

    void jpegColourModels()
    {
        QFETCH(TestPictures::Kind, kind);
        QFETCH(QImage::Format, format);
        const QImage picture = TestPictures::testPicture(64, 48);
        const QString path = put(QStringLiteral("model.jpg"), TestPictures::encode(picture, kind, {}, 98));
        QImage image;
        const ImagingStatus status = PhotoDecoder::load(path, image);
        QVERIFY2(status.ok, qPrintable(status.error));
        QCOMPARE(image.format(), format);
        QCOMPARE(image.size(), picture.size());
        for (const QPoint p : {QPoint(8, 8), QPoint(56, 8), QPoint(8, 40), QPoint(56, 40)}) {
            QRgb expected = picture.pixel(p);
            if (kind == Kind::Grayscale)
                expected = qRgb(qGray(expected), qGray(expected), qGray(expected));
            QVERIFY2(closeTo(image.pixel(p), expected, 8),
                     qPrintable(QStringLiteral("%1,%2: %3 instead of %4")
                                    .arg(p.x())
                                    .arg(p.y())
                                    .arg(image.pixel(p), 0, 16)
                                    .arg(expected, 0, 16)));
        }
    }

    void dctScaledDecode_data()
    {
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<bool>("upright");
        QTest::addColumn<QSize>("expected");
        // The photo is 400 x 240 as stored, with orientation 6 (upright 240 x 400).
        QTest::newRow("no minimum") << QSize() << false << QSize(400, 240);
        QTest::newRow("full size wanted") << QSize(400, 240) << false << QSize(400, 240);
        QTest::newRow("quarter exactly") << QSize(100, 60) << false << QSize(100, 60);
        QTest::newRow("a pixel over a quarter") << QSize(101, 60) << false << QSize(150, 90);
        QTest::newRow("eighth") << QSize(20, 10) << false << QSize(50, 30);
        QTest::newRow("height decides") << QSize(10, 200) << false << QSize(350, 210);
        QTest::newRow("larger than the photo") << QSize(800, 480) << false << QSize(400, 240);
        QTest::newRow("upright half") << QSize(120, 200) << true << QSize(120, 200);
        QTest::newRow("upright width decides") << QSize(121, 10) << true << QSize(150, 250);
    }

    void dctScaledDecode()
    {
        QFETCH(QSize, minimum);
        QFETCH(bool, upright);
        QFETCH(QSize, expected);
        const QByteArray jpeg =
            TestPictures::encode(TestPictures::testPicture(400, 240), Kind::Colour,
                                 {{JpegMetadata::kApp1, TestPictures::exifWithOrientation(6)}});
        PhotoDecoder decoder;
        QVERIFY(decoder.open(put(QStringLiteral("scaled.jpg"), jpeg)).ok);
        QCOMPARE(decoder.orientation(), 6);
        QImage image;
        QVERIFY(decoder.decode(image, minimum, upright).ok);
        QCOMPARE(image.size(), expected);
        if (!minimum.isEmpty()) {
            QVERIFY(image.width() >= qMin(minimum.width(), expected.width()));
            QVERIFY(image.height() >= qMin(minimum.height(), expected.height()));
        }
    }

    void keepsMetadataSegmentsInFileOrder()
    {
        QByteArray extendedXmp("http://ns.adobe.com/xmp/extension/\0", 35);
        extendedXmp.append(QByteArray(JpegMetadata::kMaxSegmentData - extendedXmp.size(), 'x'));
        const QList<Segment> kept = {
            {JpegMetadata::kApp1, TestPictures::exifWithOrientation(3, true)},
            {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(300, '\x7f')},
            {JpegMetadata::kApp1, extendedXmp},
            {JpegMetadata::kApp13, QByteArray("Photoshop 3.0\0"
                                              "8BIM",
                                              18)},
        };
        QList<Segment> written = kept;
        written.insert(1, {0xFE, QByteArray("a comment")});                  // not kept
        written.insert(3, {0xE0 + 14, QByteArray("Adobe\0\0\0\0\0\0", 12)}); // APP14 not kept
        const QString path =
            put(QStringLiteral("meta.jpg"),
                TestPictures::encode(TestPictures::testPicture(16, 16), Kind::Colour, written));
        PhotoDecoder decoder;
        QVERIFY(decoder.open(path).ok);
        QCOMPARE(decoder.metadata().segments, kept);
        QCOMPARE(decoder.orientation(), 3);
    }

    void refusesWhatIsNotAPicture_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << "empty.jpg" << QByteArray() << "the file is empty";
        QTest::newRow("text") << "text.jpg" << QByteArray("just some words\n")
                              << "not a JPEG, PNG, BMP, TIFF or GIF";
        QTest::newRow("other format") << "pic.ppm" << encodedWithQt(TestPictures::testPicture(4, 4), "PPM")
                                      << "not a JPEG, PNG, BMP, TIFF or GIF";
        QByteArray bmp = encodedWithQt(TestPictures::testPicture(4, 4), "BMP");
        const qint32 width = 60000, height = 50000; // no longer matches the file's size
        std::memcpy(bmp.data() + 18, &width, 4);
        std::memcpy(bmp.data() + 22, &height, 4);
        QTest::newRow("bmp with a damaged header") << "damaged.bmp" << bmp << "cannot decode";
        QTest::newRow("jpeg start only")
            << "start.jpg" << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) << "cannot decode";
    }

    void refusesWhatIsNotAPicture()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        PhotoDecoder decoder;
        const ImagingStatus status = decoder.open(put(fileName, data));
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(reason), qPrintable(status.error));
        QImage image;
        QVERIFY(!decoder.decode(image).ok);
        QVERIFY(image.isNull());
    }

    void refusesMissingFilesAndFolders()
    {
        QImage image;
        ImagingStatus status = PhotoDecoder::load(m_dir.filePath(QStringLiteral("missing.jpg")), image);
        QVERIFY(!status.ok);
        QCOMPARE(status.error, QStringLiteral("file not found"));
        status = PhotoDecoder::load(m_dir.path(), image);
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(QStringLiteral("folder")), qPrintable(status.error));
    }

    void truncatedFilesFailCleanlyOrDecodePartly_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("mustDecode");

        const QImage picture = TestPictures::testPicture(256, 256);
        const QByteArray jpeg = TestPictures::encode(picture);
        const QByteArray progressive = TestPictures::encode(picture, Kind::Progressive);
        const QByteArray png = encodedWithQt(picture, "PNG");
        QTest::newRow("jpeg at 60%") << "t1.jpg" << jpeg.left(jpeg.size() * 6 / 10) << true;
        QTest::newRow("jpeg without its end marker") << "t2.jpg" << jpeg.chopped(2) << true;
        QTest::newRow("jpeg header only") << "t3.jpg" << jpeg.left(frameSizeOffset(jpeg) + 20) << false;
        QTest::newRow("jpeg cut in the header") << "t4.jpg" << jpeg.left(frameSizeOffset(jpeg) - 3) << false;
        QTest::newRow("progressive at half") << "t5.jpg" << progressive.left(progressive.size() / 2) << true;
        QTest::newRow("png at half") << "t6.png" << png.left(png.size() / 2) << false;
        QTest::newRow("png cut in the header") << "t7.png" << png.left(20) << false;
        QByteArray damaged = jpeg;
        for (qsizetype i = jpeg.size() / 3; i < jpeg.size() / 3 + 200; ++i)
            damaged[i] = char(0xFF);
        QTest::newRow("jpeg with damaged data") << "t8.jpg" << damaged << false;
    }

    void truncatedFilesFailCleanlyOrDecodePartly()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(bool, mustDecode);
        QImage image;
        const ImagingStatus status = PhotoDecoder::load(put(fileName, data), image);
        if (mustDecode)
            QVERIFY2(status.ok, qPrintable(status.error));
        if (status.ok) {
            QCOMPARE(image.size(), QSize(256, 256));
        } else {
            QVERIFY(!status.error.isEmpty());
            QVERIFY(image.isNull());
        }
    }

    void truncatedJpegKeepsWhatDecodedAndWarns()
    {
        const QImage picture = TestPictures::testPicture(256, 256);
        const QByteArray jpeg = TestPictures::encode(picture);
        PhotoDecoder decoder;
        QVERIFY(decoder.open(put(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 2))).ok);
        QImage image;
        QVERIFY(decoder.decode(image).ok);
        QVERIFY(!decoder.warnings().isEmpty());
        QVERIFY(closeTo(image.pixel(10, 10), picture.pixel(10, 10), 12));
        QVERIFY(!closeTo(image.pixel(250, 250), picture.pixel(250, 250), 12));
    }

    void refusesPicturesOverThePixelLimit_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("reason");

        // Headers that claim 60000 x 50000 pixels over a few hundred bytes of data.
        QByteArray jpeg = TestPictures::encode(TestPictures::testPicture(16, 16));
        const qsizetype at = frameSizeOffset(jpeg);
        jpeg[at] = char(50000 >> 8);
        jpeg[at + 1] = char(50000 & 0xFF);
        jpeg[at + 2] = char(60000 >> 8);
        jpeg[at + 3] = char(60000 & 0xFF);
        QTest::newRow("jpeg header") << "huge.jpg" << jpeg << PhotoDecoder::kDefaultPixelLimit
                                     << "image is 60000 x 50000 pixels, more than the limit of 250 million";
        QTest::newRow("png header") << "huge.png" << TestPictures::pngHeader(100000, 100000)
                                    << PhotoDecoder::kDefaultPixelLimit
                                    << "image is 100000 x 100000 pixels, more than the limit of 250 million";
        QTest::newRow("small limit") << "small.png" << encodedWithQt(TestPictures::testPicture(40, 30), "PNG")
                                     << qint64(1199)
                                     << "image is 40 x 30 pixels, more than the limit of 1199 pixels";
    }

    void refusesPicturesOverThePixelLimit()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(qint64, limit);
        QFETCH(QString, reason);
        PhotoDecoder decoder;
        decoder.setPixelLimit(limit);
        QElapsedTimer timer;
        timer.start();
        const ImagingStatus status = decoder.open(put(fileName, data));
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY(!status.ok);
        QCOMPARE(status.error, reason);
    }

    void pictureAtTheLimitDecodes()
    {
        PhotoDecoder decoder;
        decoder.setPixelLimit(1200);
        QVERIFY(decoder
                    .open(put(QStringLiteral("limit.png"),
                              encodedWithQt(TestPictures::testPicture(40, 30), "PNG")))
                    .ok);
        QImage image;
        QVERIFY(decoder.decode(image).ok);
        QCOMPARE(image.size(), QSize(40, 30));
        QVERIFY(!decoder.decode(image).ok); // the pixels are read once
    }
};

QTEST_GUILESS_MAIN(PhotoDecoderTest)
#include "PhotoDecoderTest.moc"
