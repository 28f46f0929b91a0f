#include "services/files/AtomicFileWriter.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <tiffio.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Segment = JpegMetadata::Segment;
using ImageEncoder::FileFormat;

namespace {

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
}

// Caps the size of files this process may write: longer writes fail with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class ImageEncoderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void writesEachFormat_data()
    {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<PhotoDecoder::Format>("decodedAs");
        QTest::newRow("jpeg") << FileFormat::Jpeg << "out.jpg" << PhotoDecoder::Format::Jpeg;
        QTest::newRow("png") << FileFormat::Png << "out.png" << PhotoDecoder::Format::Png;
        QTest::newRow("bmp") << FileFormat::Bmp << "out.bmp" << PhotoDecoder::Format::Bmp;
        QTest::newRow("tiff") << FileFormat::Tiff << "out.tiff" << PhotoDecoder::Format::Tiff;
        QTest::newRow("png whatever the name") << FileFormat::Png << "out.bmp" << PhotoDecoder::Format::Png;
    }

    void writesEachFormat()
    {
        QFETCH(FileFormat, format);
        QFETCH(QString, fileName);
        QFETCH(PhotoDecoder::Format, decodedAs);
        const QImage canvas =
            TestPictures::quadrants(123, 77).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(ImageEncoder::write(TestPictures::quadrants(9, 9), path(fileName), format).ok());
        QVERIFY(ImageEncoder::write(canvas, path(fileName), format).ok()); // replaces the first

        PhotoDecoder decoder;
        QVERIFY(decoder.open(path(fileName)).ok());
        QCOMPARE(decoder.format(), decodedAs);
        QImage back;
        QVERIFY(decoder.decode(back).ok());
        QCOMPARE(back.size(), canvas.size());
        if (format != FileFormat::Jpeg)
            QCOMPARE(back.convertToFormat(QImage::Format_RGB32),
                     canvas.convertToFormat(QImage::Format_RGB32));
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void jpegKeepsSegmentsByteForByte_data()
    {
        QTest::addColumn<QList<Segment>>("source");
        QTest::addColumn<QList<Segment>>("expected");
        QByteArray extendedXmp("http://ns.adobe.com/xmp/extension/\0", 35);
        extendedXmp.append(QByteArray(JpegMetadata::kMaxSegmentData - extendedXmp.size(), 'x'));
        const QList<Segment> camera = {
            {JpegMetadata::kApp1, TestPictures::exifWithOrientation(1)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\x01\x02", 14) + QByteArray(500, 'i')},
            {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 33)},
            {JpegMetadata::kApp1, extendedXmp},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\x02\x02", 14) + QByteArray(700, 'j')},
            {JpegMetadata::kApp13, QByteArray("Photoshop 3.0\0", 14) + QByteArray(40, 'p')},
        };
        // A comment and an APP14 block in between are not kept.
        QList<Segment> withOthers = camera;
        withOthers.insert(2, {0xFE, QByteArray("a comment")});
        withOthers.insert(4, {0xEE, QByteArray("Adobe\0\0\0\0\0\0", 12)});
        QTest::newRow("camera order") << withOthers << camera;
        QList<Segment> xmpFirst = camera;
        xmpFirst.move(2, 0);
        QTest::newRow("exif moves to the front")
            << xmpFirst << QList<Segment>{camera[0], camera[2], camera[1], camera[3], camera[4], camera[5]};
        QTest::newRow("no exif") << camera.mid(1) << camera.mid(1);
        // Megabytes of metadata (as photo editors leave): more than the encoder buffers at once.
        QList<Segment> large = camera;
        for (int i = 0; i < 40; ++i)
            large.append({JpegMetadata::kApp1, extendedXmp});
        QTest::newRow("megabytes of metadata") << large << large;
    }

    void jpegKeepsSegmentsByteForByte()
    {
        QFETCH(QList<Segment>, source);
        QFETCH(QList<Segment>, expected);
        const QString sourcePath = path(QStringLiteral("camera.jpg"));
        writeFile(sourcePath,
                  TestPictures::jpeg(TestPictures::quadrants(64, 48), TestPictures::Kind::Colour, source));
        PhotoDecoder decoder;
        QImage photo;
        QVERIFY(decoder.open(sourcePath).ok() && decoder.decode(photo).ok());
        QCOMPARE(decoder.metadata().segments.size(), expected.size());
        ImageEncoder::Options options;
        options.metadata = decoder.metadata();
        QVERIFY(
            ImageEncoder::write(photo, path(QStringLiteral("stamped.jpg")), FileFormat::Jpeg, options).ok());

        QList<Segment> app;
        QList<int> sampling;
        for (const Segment& segment :
             TestPictures::scanSegments(readFile(path(QStringLiteral("stamped.jpg"))))) {
            if (segment.marker >= 0xE0 && segment.marker <= 0xEF)
                app.append(segment);
            if (segment.marker == 0xC0) {
                for (int i = 0; i < 3; ++i)
                    sampling.append(uchar(segment.data[7 + 3 * i]));
            }
        }
        // The EXIF block comes first; without one, JFIF's APP0 does.
        if (!expected.first().data.startsWith("Exif"))
            QCOMPARE(app.takeFirst().marker, 0xE0);
        QCOMPARE(app, expected);
        QCOMPARE(sampling, (QList<int>{0x22, 0x11, 0x11})); // 4:2:0
    }

    // The JPEG choices reach the file: the frame's sampling factors and kind, the quality that
    // ImageMagick reads from the quantisation tables. Fitted Huffman tables (the default) give
    // exactly the pixels of the standard tables in a smaller file.
    void jpegChoicesReachTheFile_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<QSize>("sampling");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<int>("lumaFactors"); // the frame's first component, 0xHV
        QTest::addColumn<int>("frameMarker");
        QTest::addColumn<int>("height"); // over 64 rows of MCUs the tables come from a sample
        QTest::newRow("default: quality 98, 4:2:0, baseline")
            << 98 << QSize(2, 2) << false << 0x22 << 0xC0 << 160;
        QTest::newRow("4:4:4") << 98 << QSize(1, 1) << false << 0x11 << 0xC0 << 160;
        QTest::newRow("4:2:2") << 98 << QSize(2, 1) << false << 0x21 << 0xC0 << 160;
        QTest::newRow("quality 80, progressive") << 80 << QSize(2, 2) << true << 0x22 << 0xC2 << 160;
        QTest::newRow("factors libjpeg cannot take give 4:2:0")
            << 90 << QSize(3, 3) << false << 0x22 << 0xC0 << 160;
        QTest::newRow("tall, tables from a sample, 4:2:0")
            << 98 << QSize(2, 2) << false << 0x22 << 0xC0 << 1203;
        QTest::newRow("tall, tables from a sample, 4:4:4")
            << 92 << QSize(1, 1) << false << 0x11 << 0xC0 << 611;
    }

    void jpegChoicesReachTheFile()
    {
        QFETCH(int, quality);
        QFETCH(QSize, sampling);
        QFETCH(bool, progressive);
        QFETCH(int, lumaFactors);
        QFETCH(int, frameMarker);
        QFETCH(int, height);
        const QImage picture = TestPictures::detailed(256, height);
        ImageEncoder::Options options;
        options.jpegQuality = quality;
        options.jpegSampling = sampling;
        options.jpegProgressive = progressive;
        const QString fitted = path(QStringLiteral("fitted.jpg"));
        const QString standard = path(QStringLiteral("standard.jpg"));
        QVERIFY(ImageEncoder::write(picture, fitted, FileFormat::Jpeg, options).ok());
        options.jpegFittedTables = false;
        QVERIFY(ImageEncoder::write(picture, standard, FileFormat::Jpeg, options).ok());

        int factors = -1;
        int frame = -1;
        for (const Segment& segment : TestPictures::scanSegments(readFile(fitted))) {
            if (segment.marker == 0xC0 || segment.marker == 0xC2) {
                frame = segment.marker;
                factors = uchar(segment.data[7]);
                QCOMPARE(uchar(segment.data[10]), uchar(0x11)); // chroma 1 x 1
            }
        }
        QCOMPARE(frame, frameMarker);
        QCOMPARE(factors, lumaFactors);
        const ToolResult identify = runTool(QStringLiteral("identify"),
                                            {QStringLiteral("-format"), QStringLiteral("%Q"), fitted}, 60);
        QVERIFY2(identify.succeeded(), qPrintable(identify.describe()));
        QCOMPARE(identify.out.trimmed().toInt(), quality);

        QImage a, b;
        QVERIFY(PhotoDecoder::load(fitted, a).ok() && PhotoDecoder::load(standard, b).ok());
        QCOMPARE(a, b);
        if (!progressive) // progressive scans fit their tables whatever the option says
            QVERIFY2(readFile(fitted).size() < readFile(standard).size() * 0.97,
                     qPrintable(QStringLiteral("%1 bytes against %2")
                                    .arg(readFile(fitted).size())
                                    .arg(readFile(standard).size())));
    }

    // TIFF outputs: Deflate after the horizontal predictor, an alpha channel only for pictures
    // with a pixel that is not opaque, the pixels (and alpha) read back as written.
    void tiffLayout_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<int>("alpha"); // of the bottom-right quarter
        QTest::addColumn<int>("samples");
        QTest::newRow("opaque RGB32") << QImage::Format_RGB32 << 255 << 3;
        QTest::newRow("ARGB32 canvas, every pixel opaque") << QImage::Format_ARGB32_Premultiplied << 255 << 3;
        QTest::newRow("ARGB32 with transparency") << QImage::Format_ARGB32 << 100 << 4;
    }

    void tiffLayout()
    {
        QFETCH(QImage::Format, format);
        QFETCH(int, alpha);
        QImage picture = TestPictures::detailed(97, 61).convertToFormat(QImage::Format_ARGB32);
        for (int y = 30; y < picture.height(); ++y)
            for (int x = 48; x < picture.width(); ++x)
                picture.setPixel(x, y, (picture.pixel(x, y) & 0xFFFFFF) | uint(alpha) << 24);
        const QString target = path(QStringLiteral("layout.tiff"));
        QVERIFY(ImageEncoder::write(picture.convertToFormat(format), target, FileFormat::Tiff).ok());

        TIFF* tiff = TIFFOpen(QFile::encodeName(target).constData(), "r");
        QVERIFY(tiff);
        uint16_t samples = 0, compression = 0, predictor = 0;
        TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor);
        TIFFClose(tiff);
        QTEST(int(samples), "samples");
        QCOMPARE(int(compression), COMPRESSION_ADOBE_DEFLATE);
        QCOMPARE(int(predictor), PREDICTOR_HORIZONTAL);
        QImage back;
        QVERIFY(PhotoDecoder::load(target, back).ok());
        // Compared premultiplied: the reader may premultiply the stored straight alpha.
        QCOMPARE(back.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void jpegOrientationRoundTrip()
    {
        // Stored 64 x 40 with orientation 6: drawn upright (40 x 64), stored back as it came.
        const QImage stored = TestPictures::quadrants(64, 40);
        const QString sourcePath = path(QStringLiteral("portrait.jpg"));
        writeFile(sourcePath,
                  TestPictures::jpeg(stored, TestPictures::Kind::Colour,
                                     {{JpegMetadata::kApp1, TestPictures::exifWithOrientation(6)}}, 98));
        PhotoDecoder decoder;
        QImage upright;
        QVERIFY(decoder.open(sourcePath).ok() && decoder.decode(upright, QSize(), true).ok());
        QCOMPARE(upright.size(), QSize(40, 64));
        ImageEncoder::Options options;
        options.metadata = decoder.metadata();
        const QString target = path(QStringLiteral("portrait-out.jpg"));
        QVERIFY(ImageEncoder::write(ImageOrientation::turnBack(upright, 6), target, FileFormat::Jpeg, options)
                    .ok());

        PhotoDecoder output;
        QImage back;
        QVERIFY(output.open(target).ok() && output.decode(back).ok());
        QCOMPARE(output.orientation(), 6);
        QCOMPARE(back.size(), stored.size());
        QVERIFY(qAbs(qRed(back.pixel(50, 5)) - qRed(stored.pixel(50, 5))) <= 8);
        QVERIFY(qAbs(qGreen(back.pixel(10, 30)) - qGreen(stored.pixel(10, 30))) <= 8);
    }

    void failedWriteKeepsTheEarlierFile_data()
    {
        QTest::addColumn<FileFormat>("format");
        QTest::newRow("jpeg") << FileFormat::Jpeg;
        QTest::newRow("png") << FileFormat::Png;
        QTest::newRow("bmp") << FileFormat::Bmp;
        QTest::newRow("tiff") << FileFormat::Tiff;
    }

    void failedWriteKeepsTheEarlierFile()
    {
        QFETCH(FileFormat, format);
        const QString target = path(QStringLiteral("kept.out"));
        writeFile(target, "the earlier output");
        QImage noise(600, 400, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) & 0xFF));
        Outcome status;
        {
            const FileSizeLimit limit(16 * 1024);
            status = ImageEncoder::write(noise, target, format);
        }
        QVERIFY(!status.ok());
        QVERIFY2(status.sentence().contains(QStringLiteral("kept.out")), qPrintable(status.sentence()));
        QCOMPARE(readFile(target), QByteArray("the earlier output"));
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void reportsUnwritableTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("replace"); // ImageEncoder::Options::replaceExisting
        QTest::newRow("missing folder") << "no/such/x.jpg"
                                        << "the folder " + path("no/such") + " does not exist" << true;
        QTest::newRow("a folder's name")
            << "taken"
            << "cannot write " + path("taken") + ": a folder has that name" << true;
        QTest::newRow("under a file")
            << "plain.txt/x.jpg"
            << "cannot write " + path("plain.txt/x.jpg") + ": " + path("plain.txt") + " is not a folder"
            << true;
        QTest::newRow("no name") << ""
                                 << "no output file name was given" << true;
        QTest::newRow("a FIFO") << "fifo"
                                << "cannot write " + path("fifo") + ": it is not a regular file" << true;
        QTest::newRow("a file, not replacing")
            << "plain.txt"
            << "cannot write " + path("plain.txt") + ": a file of that name exists now; it was left unchanged"
            << false;
    }

    void reportsUnwritableTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QFETCH(bool, replace);
        QDir(m_dir.path()).mkpath(QStringLiteral("taken"));
        writeFile(path(QStringLiteral("plain.txt")), "text");
        QFile::remove(path(QStringLiteral("fifo")));
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644), 0);
        ImageEncoder::Options options;
        options.replaceExisting = replace;
        const Outcome status =
            ImageEncoder::write(TestPictures::quadrants(8, 8), target.isEmpty() ? QString() : path(target),
                                FileFormat::Jpeg, options);
        QCOMPARE(status.sentence(), reason);
        QVERIFY(QFileInfo(path(QStringLiteral("taken"))).isDir());
        QCOMPARE(readFile(path(QStringLiteral("plain.txt"))), QByteArray("text"));
        struct stat info = {};
        QVERIFY(::lstat(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), &info) == 0 &&
                S_ISFIFO(info.st_mode));
        QFile::remove(path(QStringLiteral("fifo")));
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void refusesToWriteOverTheSource_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("same path") << "source.jpg";
        QTest::newRow("dotted path") << "sub/../source.jpg";
        QTest::newRow("symbolic link") << "link.jpg";
        QTest::newRow("hard link") << "hard.jpg";
    }

    void refusesToWriteOverTheSource()
    {
        QFETCH(QString, target);
        const QString source = path(QStringLiteral("source.jpg"));
        const QByteArray original = TestPictures::jpeg(TestPictures::quadrants(16, 16));
        writeFile(source, original);
        QDir(m_dir.path()).mkpath(QStringLiteral("sub"));
        QFile::link(source, path(QStringLiteral("link.jpg")));
        ::link(QFile::encodeName(source).constData(),
               QFile::encodeName(path(QStringLiteral("hard.jpg"))).constData());

        ImageEncoder::Options options;
        options.sourcePath = source;
        const Outcome status =
            ImageEncoder::write(TestPictures::quadrants(30, 30), path(target), FileFormat::Jpeg, options);
        QVERIFY(!status.ok());
        QVERIFY2(status.sentence().contains(QStringLiteral("source photo itself")),
                 qPrintable(status.sentence()));
        QCOMPARE(readFile(source), original);
        QVERIFY(QFileInfo(path(QStringLiteral("link.jpg"))).isSymLink());
    }

    void removesLeftoversOfInterruptedWrites()
    {
        // Earlier tests wrote into this folder: as at the start of a new run, it is listed again.
        AtomicFileWriter::forgetSweptFolders();
        const QString target = path(QStringLiteral("photo.jpg"));
        const QString prefix = AtomicFileWriter::temporaryPrefix(target);
        const QString suffix = AtomicFileWriter::temporarySuffix();
        const QString dead = prefix + QStringLiteral("2147483646-1a") + suffix; // no such process
        const QString alive = prefix + QString::number(::getppid()) + QStringLiteral("-2b") + suffix;
        const QString other = AtomicFileWriter::temporaryPrefix(path(QStringLiteral("other.jpg"))) +
                              QStringLiteral("2147483646-3c") + suffix;
        const QString deadLink = prefix + QStringLiteral("2147483645-4d") + suffix;
        for (const QString& name : {dead, alive, other})
            writeFile(path(name), "partial");
        writeFile(path(QStringLiteral("victim")), "must stay");
        QFile::link(path(QStringLiteral("victim")), path(deadLink));

        QVERIFY(ImageEncoder::write(TestPictures::quadrants(8, 8), target, FileFormat::Jpeg).ok());
        QVERIFY(!QFile::exists(path(dead)));
        QVERIFY(QFile::exists(path(alive)) && QFile::exists(path(other)));
        QVERIFY(QFileInfo(path(deadLink)).isSymLink()); // links are not followed or removed
        QCOMPARE(readFile(path(QStringLiteral("victim"))), QByteArray("must stay"));
        for (const QString& name : {alive, other, deadLink})
            QFile::remove(path(name));
    }
};

QTEST_GUILESS_MAIN(ImageEncoderTest)
#include "tst_ImageEncoder.moc"
