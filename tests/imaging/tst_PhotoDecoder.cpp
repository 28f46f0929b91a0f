#include "HostileBytes.h"
#include "services/imaging/PhotoDecoder.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <cstdio>

#include <png.h>

using TestPictures::Kind;
using Format = PhotoDecoder::Format;

namespace {

// What a cut-off file must give.
enum class CutResult
{
    Damaged, // fails: its data ends early
    Whole,   // decodes to the picture of the whole file
    Either,  // one of the two
};

bool closeTo(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The offset of the height field of a JPEG frame header.
qsizetype frameSizeOffset(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2))
            return i + 5;
    }
    return -1;
}

QStringList g_tiffMessages;

void collectTiffMessages(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, "lumora.imaging.tiff") == 0)
        g_tiffMessages.append(message);
}

} // namespace

class PhotoDecoderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString put(const QString& name, const QByteArray& data)
    {
        writeFile(m_dir.filePath(name), data);
        return m_dir.filePath(name);
    }

private slots:
    void decodesByContent_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Format>("format");
        QTest::addColumn<int>("tolerance");
        const QImage picture = TestPictures::quadrants(61, 37);
        const QByteArray jpeg = TestPictures::jpeg(picture);
        QTest::newRow("jpeg") << "a.jpg" << jpeg << Format::Jpeg << 12;
        QTest::newRow("progressive") << "b.jpeg" << TestPictures::jpeg(picture, Kind::Progressive)
                                     << Format::Jpeg << 12;
        QTest::newRow("png") << "c.png" << TestPictures::withQt(picture, "PNG") << Format::Png << 0;
        QTest::newRow("bmp") << "d.bmp" << TestPictures::withQt(picture, "BMP") << Format::Bmp << 0;
        QTest::newRow("tiff") << "e.tiff" << TestPictures::withQt(picture, "TIFF") << Format::Tiff << 0;
        QTest::newRow("gif") << "f.gif" << TestPictures::gif(picture) << Format::Gif << 8;
        QTest::newRow("jpeg named png") << "g.png" << jpeg << Format::Jpeg << 12;
    }

    void decodesByContent()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(Format, format);
        QFETCH(int, tolerance);
        PhotoDecoder decoder;
        const Outcome opened = decoder.open(put(fileName, data));
        QVERIFY2(opened.ok(), qPrintable(opened.sentence()));
        QCOMPARE(decoder.format(), format);
        QCOMPARE(decoder.storedSize(), QSize(61, 37));
        QImage image;
        QVERIFY(decoder.decode(image).ok());
        QCOMPARE(image.size(), QSize(61, 37));
        const QImage expected = TestPictures::quadrants(61, 37);
        for (const QPoint p : {QPoint(5, 5), QPoint(55, 5), QPoint(5, 33), QPoint(55, 33)})
            QVERIFY(closeTo(image.pixel(p), expected.pixel(p), tolerance));
    }

    void jpegColourModels_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("colour") << Kind::Colour << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("grey") << Kind::Grayscale << QImage::Format_Grayscale8;
        QTest::newRow("adobe cmyk") << Kind::AdobeCmyk << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("adobe ycck") << Kind::AdobeYcck << QImage::Format_ARGB32_Premultiplied;
    }

    void jpegColourModels()
    {
        QFETCH(Kind, kind);
        QFETCH(QImage::Format, format);
        const QImage picture = TestPictures::quadrants(64, 48);
        QImage image;
        QVERIFY(PhotoDecoder::load(
                    put(QStringLiteral("model.jpg"), TestPictures::jpeg(picture, kind, {}, 98)), image)
                    .ok());
        QCOMPARE(image.format(), format);
        for (const QPoint p : {QPoint(8, 8), QPoint(56, 8), QPoint(8, 40), QPoint(56, 40)}) {
            const QRgb source = picture.pixel(p);
            const int grey = qGray(source);
            QVERIFY(closeTo(image.pixel(p), kind == Kind::Grayscale ? qRgb(grey, grey, grey) : source, 8));
        }
    }

    void dctScaledDecode_data()
    {
        // Stored 400 x 240 with orientation 6 (upright 240 x 400).
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<bool>("upright");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("no minimum") << QSize() << false << QSize(400, 240);
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
        const QList<JpegMetadata::Segment> exif = {
            {JpegMetadata::kApp1, TestPictures::exifWithOrientation(6)}};
        PhotoDecoder decoder;
        QVERIFY(decoder
                    .open(put(QStringLiteral("scaled.jpg"),
                              TestPictures::jpeg(TestPictures::quadrants(400, 240), Kind::Colour, exif)))
                    .ok());
        QImage image;
        QVERIFY(decoder.decode(image, minimum, upright).ok());
        QCOMPARE(image.size(), expected);
        QVERIFY(!decoder.decode(image).ok()); // the pixels are read once
    }

    // A progressive file holds the same coefficients as the baseline file of the same
    // picture and quality; it keeps them all until its last scan, in buffers of its own.
    void progressiveMatchesBaseline_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("minimum");
        QTest::newRow("small, full size") << QSize(61, 37) << QSize();
        QTest::newRow("small, eighth") << QSize(61, 37) << QSize(5, 3);
        // Coefficient buffers of several megabytes, taken from fresh pages.
        QTest::newRow("large, full size") << QSize(2048, 1536) << QSize();
        QTest::newRow("large, quarter") << QSize(2048, 1536) << QSize(500, 380);
    }

    void progressiveMatchesBaseline()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, minimum);
        const QImage picture = TestPictures::quadrants(size.width(), size.height());
        QImage decoded[2];
        const Kind kinds[2] = {Kind::Colour, Kind::Progressive};
        for (int i = 0; i < 2; ++i) {
            PhotoDecoder decoder;
            QVERIFY(
                decoder.open(put(QStringLiteral("kind%1.jpg").arg(i), TestPictures::jpeg(picture, kinds[i])))
                    .ok());
            QVERIFY(decoder.decode(decoded[i], minimum).ok());
        }
        QVERIFY(!decoded[0].isNull());
        QCOMPARE(decoded[1], decoded[0]);
    }

    void refusesWhatIsNotAPicture_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        const QString notAPicture =
            QStringLiteral("cannot decode: not a JPEG, PNG, BMP, TIFF, GIF, WebP, HEIF or AVIF file");
        QTest::newRow("missing") << "" << QByteArray() << "file not found";
        QTest::newRow("folder") << "." << QByteArray() << "this is a folder, not a picture";
        QTest::newRow("empty") << "empty.jpg" << QByteArray("") << "the file is empty";
        QTest::newRow("text") << "text.jpg" << QByteArray("just some words\n") << notAPicture;
        QTest::newRow("other format")
            << "pic.ppm" << TestPictures::withQt(TestPictures::quadrants(4, 4), "PPM") << notAPicture;
        QByteArray bmp = TestPictures::withQt(TestPictures::quadrants(4, 4), "BMP");
        bmp.replace(18, 8, QByteArray("\x60\xEA\0\0\x50\xC3\0\0", 8)); // 60000 x 50000 over 4 x 4 data
        QTest::newRow("bmp header damaged") << "damaged.bmp" << bmp << "cannot decode: ";
    }

    void refusesWhatIsNotAPicture()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        const QString path = fileName.isEmpty()               ? m_dir.filePath(QStringLiteral("missing.jpg"))
                             : fileName == QLatin1String(".") ? m_dir.path()
                                                              : put(fileName, data);
        PhotoDecoder decoder;
        const Outcome status = decoder.open(path);
        QVERIFY(!status.ok());
        QVERIFY2(status.sentence().startsWith(reason), qPrintable(status.sentence()));
        QImage image;
        QVERIFY(!decoder.decode(image).ok());
    }

    // A file cut short either fails as damaged or, when every row is still there (only an end
    // marker lost), decodes to exactly the picture of the whole file: never a partial picture.
    // Every format is cut at each sixteenth, JPEG files also between their scans and at their
    // restart markers, and right before their end.
    void truncatedFilesFailOrDecodeWhole_data()
    {
        QTest::addColumn<QByteArray>("whole");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QSize>("minimum"); // the size the decoder may reduce to (JPEG)

        const QImage picture = TestPictures::detailed(256, 192);
        struct Source
        {
            const char* name;
            QByteArray data;
            QList<qsizetype> wholeWithout;  // bytes that may go at the end with every row kept
            QList<qsizetype> eitherWithout; // bytes whose loss may or may not cost pixels
        };
        TestPictures::PngRecipe interlaced;
        interlaced.width = 256;
        interlaced.height = 192;
        interlaced.interlaced = true;
        TestPictures::PngRecipe deep = interlaced;
        deep.interlaced = false;
        deep.colourType = PNG_COLOR_TYPE_RGBA;
        deep.bitDepth = 16;
        TestPictures::PngRecipe palette = deep;
        palette.colourType = PNG_COLOR_TYPE_PALETTE;
        palette.bitDepth = 4;
        const QList<Source> sources = {
            {"jpeg", TestPictures::jpeg(picture), {1, 2}, {3}},
            {"progressive", TestPictures::jpeg(picture, Kind::Progressive), {1, 2}, {3}},
            {"restart", TestPictures::jpeg(picture, Kind::Restart), {1, 2}, {3}},
            {"separate-scans", TestPictures::jpeg(picture, Kind::SeparateScans), {1, 2}, {3}},
            {"grey", TestPictures::jpeg(picture, Kind::Grayscale), {1, 2}, {3}},
            {"cmyk", TestPictures::jpeg(picture, Kind::AdobeCmyk), {1, 2}, {3}},
            {"png", TestPictures::withQt(picture, "PNG"), {1, 4, 12}, {13}},
            {"png-interlaced", TestPictures::png(interlaced), {1, 4, 12}, {13}},
            {"png-16-bit", TestPictures::png(deep), {1, 4, 12}, {13}},
            {"png-palette", TestPictures::png(palette), {1, 4, 12}, {13}},
            {"tiff-strips", HostileBytes::tiffWithDirectoryFirst(picture, false), {}, {}},
            {"tiff-tiles", HostileBytes::tiffWithDirectoryFirst(picture, true, 16, true), {}, {}},
            {"gif", TestPictures::compressedGif(picture), {1, 2}, {3}},
            {"bmp", TestPictures::withQt(picture, "BMP"), {}, {}},
        };
        const auto row = [](const Source& source, const QString& where, qsizetype length, CutResult outcome,
                            QSize minimum = QSize()) {
            QTest::addRow("%s %s", source.name, qPrintable(where))
                << source.data << length << int(outcome) << minimum;
        };
        for (const Source& source : sources) {
            const qsizetype n = source.data.size();
            for (int k = 1; k < 16; ++k)
                row(source, QStringLiteral("at %1/16").arg(k), n * k / 16, CutResult::Damaged);
            if (!source.wholeWithout.contains(1))
                row(source, QStringLiteral("without its last byte"), n - 1, CutResult::Damaged);
            for (const qsizetype spare : source.wholeWithout)
                row(source, QStringLiteral("without %1 bytes").arg(spare), n - spare, CutResult::Whole);
            for (const qsizetype spare : source.eitherWithout)
                row(source, QStringLiteral("without %1 bytes").arg(spare), n - spare, CutResult::Either);
            if (QByteArray(source.name) == "jpeg" || QByteArray(source.name) == "progressive")
                row(source, QStringLiteral("at half, reduced"), n / 2, CutResult::Damaged, QSize(64, 48));
            // Before every table and scan that follows the first scan: the scans before are
            // whole, the picture is not.
            const bool multiScan =
                QByteArray(source.name) == "progressive" || QByteArray(source.name) == "separate-scans";
            const qsizetype firstScan = source.data.indexOf("\xFF\xDA");
            for (qsizetype at = firstScan + 2; multiScan && at < n - 2; ++at) {
                const uchar marker = uchar(source.data[at + 1]);
                if (uchar(source.data[at]) == 0xFF && (marker == 0xC4 || marker == 0xDA))
                    row(source, QStringLiteral("before the marker at %1").arg(at), at, CutResult::Damaged);
            }
            // Right before and right after a restart marker halfway through.
            if (QByteArray(source.name) == "restart") {
                const qsizetype marker = source.data.indexOf("\xFF\xD5");
                QVERIFY(marker > 0);
                row(source, QStringLiteral("before restart marker 5"), marker, CutResult::Damaged);
                row(source, QStringLiteral("after restart marker 5"), marker + 2, CutResult::Damaged);
            }
        }
    }

    void truncatedFilesFailOrDecodeWhole()
    {
        QFETCH(QByteArray, whole);
        QFETCH(qsizetype, length);
        QFETCH(int, outcome);
        QFETCH(QSize, minimum);
        QImage expected;
        {
            PhotoDecoder decoder;
            QVERIFY(decoder.open(put(QStringLiteral("whole"), whole)).ok());
            const Outcome status = decoder.decode(expected, minimum);
            QVERIFY2(status.ok(), qPrintable(status.sentence()));
        }
        PhotoDecoder decoder;
        QImage image;
        Outcome status = decoder.open(put(QStringLiteral("cut"), whole.left(length)));
        if (status.ok())
            status = decoder.decode(image, minimum);
        if (status.ok()) {
            QVERIFY2(CutResult(outcome) != CutResult::Damaged, "a cut-off file decoded");
            QCOMPARE(image, expected);
        } else {
            QVERIFY2(CutResult(outcome) != CutResult::Whole, qPrintable(status.sentence()));
            QCOMPARE(status.sentence(), QStringLiteral("the photo is damaged: its data ends early"));
            QVERIFY(image.isNull());
        }
    }

    // Damaged data fails in the decoder's own words; bytes that change no pixel (between
    // segments, where the decoder skips them) are let through.
    void damagedDataFails_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason"); // the failure begins with it; empty: decodes as `sound`
        QTest::addColumn<QByteArray>("sound");

        const QImage picture = TestPictures::detailed(256, 192);
        const QByteArray jpeg = TestPictures::jpeg(picture);
        QByteArray ones = jpeg;
        ones.replace(jpeg.size() / 2, 32, QByteArray("\xFF\x00", 2).repeated(16));
        QTest::newRow("jpeg, a run of one bits")
            << "ones.jpg" << ones << "the photo is damaged: Corrupt JPEG data: bad Huffman code"
            << QByteArray();
        QByteArray filled = jpeg;
        filled.replace(jpeg.size() / 3, 200, QByteArray(200, char(0xFF)));
        QTest::newRow("jpeg, 200 bytes of 0xFF")
            << "filled.jpg" << filled << "the photo is damaged: Corrupt JPEG data: " << QByteArray();
        const QByteArray restart = TestPictures::jpeg(picture, Kind::Restart);
        QByteArray reordered = restart;
        reordered[reordered.indexOf("\xFF\xD2") + 1] = char(0xD5);
        QTest::newRow("restart marker out of order")
            << "reordered.jpg" << reordered
            << "the photo is damaged: Corrupt JPEG data: found marker 0xd5 instead of RST2" << QByteArray();
        QTest::newRow("bytes before the end marker")
            << "tail.jpg" << QByteArray(jpeg.chopped(2) + "\x01\x02\x03\xFF\xD9") << "" << jpeg;
        const QByteArray progressive = TestPictures::jpeg(picture, Kind::Progressive);
        const qsizetype lastScan = progressive.lastIndexOf("\xFF\xDA");
        QTest::newRow("bytes between scans")
            << "between.jpg"
            << QByteArray(progressive.left(lastScan) + "\x01\x02\x03" + progressive.mid(lastScan)) << ""
            << progressive;

        // A 4 x 1 GIF with 2-bit pixels: clear, pixel 0, then code 7, which no table holds
        // yet; and one whose end code comes after two of its four pixels.
        const QByteArray gifHead = QByteArray("GIF89a\x04\x00\x01\x00\x80\x00\x00", 13) +
                                   QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6) +
                                   QByteArray("\x2C\x00\x00\x00\x00\x04\x00\x01\x00\x00\x02", 11);
        QTest::newRow("gif, a code beyond the table")
            << "code.gif" << QByteArray(gifHead + QByteArray("\x02\xC4\x0B\x00\x3B", 5))
            << "the photo is damaged: its picture data is corrupt" << QByteArray();
        // clear (4), 0, 1, end (5): 100 000 001 101
        QTest::newRow("gif, two of four pixels")
            << "short.gif" << QByteArray(gifHead + QByteArray("\x02\x04\x0B\x00\x3B", 5))
            << "the photo is damaged: its data ends early" << QByteArray();
    }

    void damagedDataFails()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        QFETCH(QByteArray, sound);
        QImage image;
        const Outcome status = PhotoDecoder::load(put(fileName, data), image);
        if (!reason.isEmpty()) {
            QVERIFY2(!status.ok() && status.sentence().startsWith(reason), qPrintable(status.sentence()));
            QVERIFY(image.isNull());
            return;
        }
        QVERIFY2(status.ok(), qPrintable(status.sentence()));
        QImage expected;
        QVERIFY(PhotoDecoder::load(put(QStringLiteral("sound-") + fileName, sound), expected).ok());
        QCOMPARE(image, expected);
    }

    // A PNG's EXIF block (before or after the pixels) is kept when a JPEG's APP1 segment could
    // hold it, and left out beyond; the pixels decode either way.
    void pngExifIsBounded_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("afterPixels");
        QTest::addColumn<bool>("kept");
        constexpr int largest = JpegMetadata::kMaxSegmentData - JpegMetadata::kExifHeaderSize;
        QTest::newRow("1 KB") << 1000 << false << true;
        QTest::newRow("1 KB after the pixels") << 1000 << true << true;
        QTest::newRow("the largest an APP1 segment holds") << largest << false << true;
        QTest::newRow("one byte more") << largest + 1 << false << false;
        QTest::newRow("9 MB, over the chunk limit") << 9'000'000 << true << false;
    }
    void pngExifIsBounded()
    {
        QFETCH(int, size);
        QFETCH(bool, afterPixels);
        QFETCH(bool, kept);
        TestPictures::PngRecipe recipe;
        recipe.exif = QByteArray("II*\0\x08\0\0\0", 8) + QByteArray(size - 8, 'x');
        recipe.exifAfterPixels = afterPixels;
        PhotoDecoder decoder;
        QVERIFY(decoder.open(put(QStringLiteral("exif.png"), TestPictures::png(recipe))));
        QImage image;
        const Outcome decoded = decoder.decode(image);
        QVERIFY2(decoded.ok(), qPrintable(decoded.sentence()));
        QCOMPARE(image.size(), QSize(recipe.width, recipe.height));
        QCOMPARE(decoder.embeddedMetadata().exif, kept ? recipe.exif : QByteArray());
    }

    // PNG files decode to the picture Qt's reader makes of them, with everything the outputs
    // carry on: pixel format, colour table, pixels, colour space, texts, resolution, offset.
    void pngMatchesQtReader_data()
    {
        QTest::addColumn<QByteArray>("data");
        using TestPictures::PngRecipe;
        const struct
        {
            int type;
            QList<int> depths;
            const char* name;
        } layouts[] = {
            {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, "grey"},
            {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, "grey+alpha"},
            {PNG_COLOR_TYPE_RGB, {8, 16}, "rgb"},
            {PNG_COLOR_TYPE_RGBA, {8, 16}, "rgba"},
            {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, "palette"},
        };
        unsigned seed = 1;
        for (const auto& layout : layouts) {
            for (const int depth : layout.depths) {
                for (const int transparency : {-1, 1, 3}) {
                    // A colour key on 16-bit RGB is the one case decoded differently (below).
                    if (transparency >= 0 && ((layout.type & PNG_COLOR_MASK_ALPHA) ||
                                              (layout.type == PNG_COLOR_TYPE_RGB && depth == 16)))
                        continue;
                    for (const bool interlaced : {false, true}) {
                        PngRecipe recipe;
                        recipe.colourType = layout.type;
                        recipe.bitDepth = depth;
                        recipe.interlaced = interlaced;
                        recipe.transparency = layout.type == PNG_COLOR_TYPE_PALETTE || transparency < 0
                                                  ? transparency
                                                  : transparency - 1;
                        recipe.seed = seed++;
                        QTest::addRow("%s %d-bit%s%s", layout.name, depth,
                                      transparency < 0    ? ""
                                      : transparency == 1 ? " tRNS"
                                                          : " tRNS*3",
                                      interlaced ? " interlaced" : "")
                            << TestPictures::png(recipe);
                    }
                }
            }
        }
        for (const int entries : {1, 2, 5, 100, 255}) { // entries beyond the palette in use
            PngRecipe recipe;
            recipe.colourType = PNG_COLOR_TYPE_PALETTE;
            recipe.paletteSize = entries;
            QTest::addRow("palette of %d", entries) << TestPictures::png(recipe);
            recipe.transparency = qMin(entries, 3);
            QTest::addRow("palette of %d, tRNS", entries) << TestPictures::png(recipe);
        }
        PngRecipe monoPalette;
        monoPalette.colourType = PNG_COLOR_TYPE_PALETTE;
        monoPalette.bitDepth = 1;
        monoPalette.paletteSize = 1;
        QTest::newRow("1-bit palette of 1") << TestPictures::png(monoPalette);

        const QByteArray p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
        for (const int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA, PNG_COLOR_TYPE_GRAY}) {
            const auto recipe = [type](auto change) {
                PngRecipe s;
                s.colourType = type;
                change(s);
                return TestPictures::png(s);
            };
            const QByteArray rgbOnly = type == PNG_COLOR_TYPE_GRAY ? QByteArray() : adobe;
            QTest::addRow("type %d gAMA 1/2.2", type) << recipe([](PngRecipe& s) { s.gamma = 0.45455; });
            QTest::addRow("type %d gAMA 1", type) << recipe([](PngRecipe& s) { s.gamma = 1.0; });
            QTest::addRow("type %d gAMA cHRM", type) << recipe([](PngRecipe& s) {
                s.gamma = 0.8;
                s.chromaticities = true;
            });
            QTest::addRow("type %d cHRM", type) << recipe([](PngRecipe& s) { s.chromaticities = true; });
            QTest::addRow("type %d sRGB", type) << recipe([](PngRecipe& s) { s.srgb = true; });
            QTest::addRow("type %d sRGB gAMA", type) << recipe([](PngRecipe& s) {
                s.srgb = true;
                s.gamma = 0.45455;
            });
            if (type != PNG_COLOR_TYPE_GRAY) {
                QTest::addRow("type %d iCCP", type) << recipe([&](PngRecipe& s) { s.iccProfile = p3; });
                QTest::addRow("type %d iCCP gAMA", type) << recipe([&](PngRecipe& s) {
                    s.iccProfile = rgbOnly;
                    s.gamma = 0.6;
                });
                QTest::addRow("type %d iCCP sRGB", type) << recipe([&](PngRecipe& s) {
                    s.iccProfile = rgbOnly;
                    s.srgb = true;
                });
            }
            QTest::addRow("type %d pHYs oFFs", type)
                << recipe([](PngRecipe& s) { s.resolution = s.offset = true; });
            QTest::addRow("type %d pHYs oFFs, other units", type) << recipe([](PngRecipe& s) {
                s.resolution = s.offset = s.resolutionUnknown = s.offsetInMicrometres = true;
            });
            QTest::addRow("type %d sBIT bKGD tIME", type)
                << recipe([](PngRecipe& s) { s.significantBits = s.background = s.time = true; });
        }

        PngRecipe texts;
        texts.texts = {
            {"Comment", "plain"}, {"Title", "caf\xe9"}, {"Empty", ""}, {"Cut", QByteArray("a\0b", 3)}};
        texts.textsAfterPixels = {{"Late", "after the pixels"}, {"Comment", "replaced"}};
        QTest::newRow("tEXt before and after the pixels") << TestPictures::png(texts);
        texts.textCompression = PNG_TEXT_COMPRESSION_zTXt;
        QTest::newRow("zTXt") << TestPictures::png(texts);
        texts.texts = {{"Title", "caf\xc3\xa9 \xe2\x82\xac"}};
        texts.textCompression = PNG_ITXT_COMPRESSION_NONE;
        QTest::newRow("iTXt") << TestPictures::png(texts);
        texts.textCompression = PNG_ITXT_COMPRESSION_zTXt;
        QTest::newRow("iTXt compressed") << TestPictures::png(texts);
        PngRecipe large;
        large.texts = {{"Large", QByteArray(3'000'000, 'x')}};
        QTest::newRow("3 MB text") << TestPictures::png(large);
    }

    void pngMatchesQtReader()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!data.isEmpty());
        const QString path = put(QStringLiteral("compare.png"), data);
        QImageReader reader(path);
        QImage expected;
        QVERIFY2(reader.read(&expected), qPrintable(reader.errorString()));
        QImage image;
        const Outcome status = PhotoDecoder::load(path, image);
        QVERIFY2(status.ok(), qPrintable(status.sentence()));
        QCOMPARE(image.format(), expected.format());
        QCOMPARE(image.colorTable(), expected.colorTable());
        QCOMPARE(image, expected);
        QCOMPARE(image.colorSpace(), expected.colorSpace());
        QCOMPARE(image.colorSpace().description(), expected.colorSpace().description());
        QCOMPARE(image.colorSpace().iccProfile(), expected.colorSpace().iccProfile());
        QCOMPARE(image.textKeys(), expected.textKeys());
        for (const QString& key : expected.textKeys())
            QCOMPARE(image.text(key), expected.text(key));
        QCOMPARE(image.dotsPerMeterX(), expected.dotsPerMeterX());
        QCOMPARE(image.dotsPerMeterY(), expected.dotsPerMeterY());
        QCOMPARE(image.offset(), expected.offset());
    }

    // A colour key on 16-bit RGB: Qt's reader leaves such pictures scrambled (three samples a
    // pixel in a four-sample format); here the key becomes transparency, as for every other
    // layout: the colours of the file without its key, alpha 0 exactly where the key is.
    void pngSixteenBitColourKeyBecomesAlpha_data()
    {
        QTest::addColumn<bool>("interlaced");
        QTest::newRow("plain") << false;
        QTest::newRow("interlaced") << true;
    }

    void pngSixteenBitColourKeyBecomesAlpha()
    {
        QFETCH(bool, interlaced);
        TestPictures::PngRecipe recipe;
        recipe.colourType = PNG_COLOR_TYPE_RGB;
        recipe.bitDepth = 16;
        recipe.interlaced = interlaced;
        recipe.width = 200;
        recipe.height = 150;
        QImage opaque;
        QVERIFY(
            PhotoDecoder::load(put(QStringLiteral("opaque.png"), TestPictures::png(recipe)), opaque).ok());
        QCOMPARE(opaque.format(), QImage::Format_RGBX64);
        // The key: a colour the picture holds, so that some pixels turn transparent.
        const QRgba64 key = reinterpret_cast<const QRgba64*>(opaque.constScanLine(5))[0];
        QByteArray keyed = TestPictures::png(recipe);
        QByteArray trns;
        for (const quint16 sample : {key.red(), key.green(), key.blue()})
            trns += char(sample >> 8) + QByteArray(1, char(sample & 0xFF));
        keyed = HostileBytes::insertAfterHeader(keyed, HostileBytes::pngChunk("tRNS", trns));
        QImage image;
        const Outcome status = PhotoDecoder::load(put(QStringLiteral("keyed.png"), keyed), image);
        QVERIFY2(status.ok(), qPrintable(status.sentence()));
        QCOMPARE(image.format(), QImage::Format_RGBA64);
        int transparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* got = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
            const auto* colour = reinterpret_cast<const QRgba64*>(opaque.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const bool isKey = colour[x].red() == key.red() && colour[x].green() == key.green() &&
                                   colour[x].blue() == key.blue();
                transparent += isKey;
                QCOMPARE(got[x].alpha(), quint16(isKey ? 0 : 0xFFFF));
                QCOMPARE(got[x].red(), colour[x].red());
                QCOMPARE(got[x].green(), colour[x].green());
                QCOMPARE(got[x].blue(), colour[x].blue());
            }
        }
        QVERIFY(transparent >= 1);
    }

    // The memory PNG texts take is bounded: a chunk over 8 MB, and every text once all of them
    // have taken 16 MiB (inflated or stored, kept or not), are left out. The picture is whole.
    void pngTextsStayWithinBounds_data()
    {
        QTest::addColumn<QByteArray>("chunks");
        QTest::addColumn<QStringList>("kept");
        const auto text = [](const QByteArray& key, const QByteArray& value) {
            return HostileBytes::pngChunk("tEXt", key + '\0' + value);
        };
        const auto compressed = [](const QByteArray& key, const QByteArray& inflated) {
            return HostileBytes::pngChunk("zTXt",
                                          key + QByteArray(2, '\0') + HostileBytes::zlibStream(inflated));
        };
        QTest::newRow("a 9 MB text") << QByteArray(text("Big", QByteArray(9'000'000, 'b')) +
                                                   text("Small", "kept"))
                                     << QStringList{"Small"};
        QTest::newRow("three texts of 7 MB")
            << QByteArray(text("A", QByteArray(7'000'000, 'a')) + text("B", QByteArray(7'000'000, 'b')) +
                          text("C", QByteArray(7'000'000, 'c')))
            << QStringList{"A", "B"};
        QTest::newRow("64 MiB compressed")
            << QByteArray(compressed("Bomb", QByteArray(64 * 1024 * 1024, '\0')) + text("Small", "kept"))
            << QStringList{"Small"};
        QByteArray forty;
        const QByteArray six(6'000'000, ' ');
        for (int i = 0; i < 40; ++i)
            forty += compressed("Comment" + QByteArray::number(i), six);
        QTest::newRow("forty texts of 6 MB compressed") << forty << QStringList{"Comment0", "Comment1"};
    }

    void pngTextsStayWithinBounds()
    {
        QFETCH(QByteArray, chunks);
        QFETCH(QStringList, kept);
        const QByteArray plain = TestPictures::withQt(TestPictures::detailed(64, 48), "PNG");
        QImage expected;
        QVERIFY(PhotoDecoder::load(put(QStringLiteral("plain.png"), plain), expected).ok());
        QImage image;
        const Outcome status = PhotoDecoder::load(
            put(QStringLiteral("texts.png"), HostileBytes::insertAfterHeader(plain, chunks)), image);
        QVERIFY2(status.ok(), qPrintable(status.sentence()));
        QCOMPARE(image, expected);
        QStringList keys = image.textKeys();
        keys.sort();
        QCOMPARE(keys, kept);
    }

    // The TIFF library's messages arrive as whole Qt messages instead of pieces written
    // straight to standard error, where another thread's line could land between them.
    void tiffLibraryMessagesAreWholeMessages()
    {
        const QByteArray tiff = TestPictures::withQt(TestPictures::quadrants(64, 48), "TIFF");
        QVERIFY(tiff.size() > 200);
        const QString path = put(QStringLiteral("cut.tiff"), tiff.left(100));
        const QString errPath = m_dir.filePath(QStringLiteral("stderr.txt"));

        std::fflush(stderr);
        const int savedErr = ::dup(STDERR_FILENO);
        FILE* capture = std::fopen(QFile::encodeName(errPath).constData(), "w");
        QVERIFY(savedErr >= 0 && capture);
        ::dup2(::fileno(capture), STDERR_FILENO);
        g_tiffMessages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectTiffMessages);

        QImage image;
        const Outcome status = PhotoDecoder::load(path, image);

        qInstallMessageHandler(previous);
        std::fflush(stderr);
        ::dup2(savedErr, STDERR_FILENO);
        ::close(savedErr);
        std::fclose(capture);

        QVERIFY(!status.ok());
        QFile written(errPath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(written.readAll()), QString());
        QVERIFY(!g_tiffMessages.isEmpty());
        for (const QString& message : std::as_const(g_tiffMessages))
            QVERIFY2(!message.contains(u'\n'), qPrintable(message));
    }

    void refusesEndlessScans()
    {
        // A progressive file whose first scan (the DC coefficients, which decode again without
        // complaint) repeats thousands of times.
        const QByteArray jpeg = TestPictures::jpeg(TestPictures::quadrants(64, 48), Kind::Progressive);
        const qsizetype firstScan = jpeg.indexOf("\xFF\xDA");
        const qsizetype secondTable = jpeg.indexOf("\xFF\xC4", firstScan);
        QVERIFY(firstScan > 0 && secondTable > firstScan);
        QByteArray endless = jpeg.left(secondTable);
        for (int i = 0; i < 3000; ++i)
            endless += jpeg.mid(firstScan, secondTable - firstScan);
        QImage image;
        const Outcome status =
            PhotoDecoder::load(put(QStringLiteral("scans.jpg"), endless + jpeg.mid(secondTable)), image);
        QCOMPARE(status.sentence(), QStringLiteral("cannot decode: the file has more than 1000 scans"));
    }

    void refusesPicturesOverThePixelLimit_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("reason");
        QByteArray jpeg = TestPictures::jpeg(TestPictures::quadrants(16, 16));
        jpeg.replace(frameSizeOffset(jpeg), 4, QByteArray("\xC3\x50\xEA\x60", 4)); // 60000 x 50000
        QTest::newRow("jpeg header") << "huge.jpg" << jpeg << PhotoDecoder::kDefaultPixelLimit
                                     << "image is 60000 x 50000 pixels, more than the limit of 250 million";
        const QByteArray png = TestPictures::withQt(TestPictures::quadrants(40, 30), "PNG");
        QTest::newRow("lower limit") << "small.png" << png << qint64(1199)
                                     << "image is 40 x 30 pixels, more than the limit of 1199 pixels";
        QTest::newRow("at the limit") << "small.png" << png << qint64(1200) << "";
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
        const Outcome status = decoder.open(put(fileName, data));
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(status.sentence(), reason);
    }
};

QTEST_GUILESS_MAIN(PhotoDecoderTest)
#include "tst_PhotoDecoder.moc"
