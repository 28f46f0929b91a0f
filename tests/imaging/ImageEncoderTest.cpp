#include "services/imaging/ImageEncoder.h"
#include "imaging/TestPictures.h"
#include "services/imaging/AtomicFileWriter.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using Segment = JpegMetadata::Segment;
using ImageEncoder::FileFormat;

Q_DECLARE_METATYPE(ImageEncoder::FileFormat)
Q_DECLARE_METATYPE(PhotoDecoder::Format)

namespace {

QList<Segment> appSegments(const QByteArray& jpeg)
{
    QList<Segment> found;
    for (const Segment& segment : TestPictures::scanSegments(jpeg)) {
        if (segment.marker >= 0xE0 && segment.marker <= 0xEF)
            found.append(segment);
    }
    return found;
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
}

// Limits the size of files this process may write; writes beyond fail with EFBIG.
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

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QList<Segment> cameraSegments()
    {
        return {
            {JpegMetadata::kApp1, TestPictures::exifWithOrientation(1)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\x01\x02", 14) + QByteArray(500, 'i')},
            {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 33)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\x02\x02", 14) + QByteArray(700, 'j')},
            {JpegMetadata::kApp13, QByteArray("Photoshop 3.0\0", 14) + QByteArray(40, 'p')},
        };
    }

private slots:
    void writesEachFormat_data()
    {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<PhotoDecoder::Format>("decodedAs");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("jpeg") << FileFormat::Jpeg << "out.jpg" << PhotoDecoder::Format::Jpeg << false;
        QTest::newRow("png") << FileFormat::Png << "out.png" << PhotoDecoder::Format::Png << true;
        QTest::newRow("bmp") << FileFormat::Bmp << "out.bmp" << PhotoDecoder::Format::Bmp << true;
        QTest::newRow("tiff") << FileFormat::Tiff << "out.tiff" << PhotoDecoder::Format::Tiff << true;
        QTest::newRow("png whatever the name")
            << FileFormat::Png << "preview.bmp" << PhotoDecoder::Format::Png << true;
    }

    void writesEachFormat()
    {
        QFETCH(FileFormat, format);
        QFETCH(QString, fileName);
        QFETCH(PhotoDecoder::Format, decodedAs);
        QFETCH(bool, lossless);
        const QImage canvas =
            TestPictures::testPicture(123, 77).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const ImagingStatus written = ImageEncoder::write(canvas, path(fileName), format);
        QVERIFY2(written.ok, qPrintable(written.error));

        PhotoDecoder decoder;
        QVERIFY(decoder.open(path(fileName)).ok);
        QCOMPARE(decoder.format(), decodedAs);
        QImage back;
        QVERIFY(decoder.decode(back).ok);
        QCOMPARE(back.size(), canvas.size());
        if (lossless) {
            QCOMPARE(back.convertToFormat(QImage::Format_RGB32),
                     canvas.convertToFormat(QImage::Format_RGB32));
        } else {
            const QRgb a = back.pixel(90, 60), b = canvas.pixel(90, 60);
            QVERIFY(qAbs(qRed(a) - qRed(b)) <= 4 && qAbs(qGreen(a) - qGreen(b)) <= 4 &&
                    qAbs(qBlue(a) - qBlue(b)) <= 4);
        }
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void jpegKeepsSegmentsByteForByte_data()
    {
        QTest::addColumn<QList<Segment>>("source");
        QTest::addColumn<QList<Segment>>("expected");
        const QList<Segment> camera = cameraSegments();
        QTest::newRow("camera order") << camera << camera;
        QList<Segment> xmpFirst = camera;
        xmpFirst.move(2, 0);
        QTest::newRow("exif moves to the front")
            << xmpFirst << camera.mid(0, 1) + xmpFirst.mid(0, 1) + camera.mid(1, 1) + camera.mid(3);
        const QList<Segment> noExif = camera.mid(1);
        QTest::newRow("no exif") << noExif << noExif;
    }

    void jpegKeepsSegmentsByteForByte()
    {
        QFETCH(QList<Segment>, source);
        QFETCH(QList<Segment>, expected);
        const QString sourcePath = path(QStringLiteral("camera.jpg"));
        QVERIFY(
            TestPictures::writeFile(sourcePath, TestPictures::encode(TestPictures::testPicture(64, 48),
                                                                     TestPictures::Kind::Colour, source)));
        PhotoDecoder decoder;
        QVERIFY(decoder.open(sourcePath).ok);
        QImage photo;
        QVERIFY(decoder.decode(photo).ok);

        ImageEncoder::Options options;
        options.metadata = decoder.metadata();
        options.sourcePath = sourcePath;
        const QString target = path(QStringLiteral("stamped.jpg"));
        QVERIFY(ImageEncoder::write(photo, target, FileFormat::Jpeg, options).ok);

        const QByteArray output = TestPictures::readFile(target);
        const QList<Segment> app = appSegments(output);
        const bool exif = expected.first().data.startsWith("Exif");
        // Right after the start of the file: the EXIF block, or JFIF's APP0 when there is none.
        QCOMPARE(TestPictures::scanSegments(output).first().marker, exif ? 0xE1 : 0xE0);
        QCOMPARE(exif ? app : app.mid(1), expected);
        // The luminance is sampled 2 x 2, the colour planes 1 x 1 (4:2:0).
        QCOMPARE(TestPictures::samplingFactors(output), (QList<int>{0x22, 0x11, 0x11}));
    }

    void jpegOrientationRoundTrip()
    {
        // Stored 60 x 40 with orientation 6: drawn upright (40 x 60), stored back as it came.
        const QImage stored = TestPictures::testPicture(64, 40);
        const QString sourcePath = path(QStringLiteral("portrait.jpg"));
        QVERIFY(TestPictures::writeFile(
            sourcePath,
            TestPictures::encode(stored, TestPictures::Kind::Colour,
                                 {{JpegMetadata::kApp1, TestPictures::exifWithOrientation(6)}}, 98)));
        PhotoDecoder decoder;
        QVERIFY(decoder.open(sourcePath).ok);
        QImage upright;
        QVERIFY(decoder.decode(upright, QSize(), true).ok);
        QCOMPARE(upright.size(), QSize(40, 64));

        ImageEncoder::Options options;
        options.metadata = decoder.metadata();
        const QString target = path(QStringLiteral("portrait-out.jpg"));
        QVERIFY(ImageEncoder::write(ImageOrientation::turnBack(upright, decoder.orientation()), target,
                                    FileFormat::Jpeg, options)
                    .ok);
        PhotoDecoder output;
        QVERIFY(output.open(target).ok);
        QCOMPARE(output.orientation(), 6);
        QCOMPARE(output.storedSize(), stored.size());
        QImage back;
        QVERIFY(output.decode(back).ok);
        const QRgb a = back.pixel(50, 5), b = stored.pixel(50, 5);
        QVERIFY(qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 &&
                qAbs(qBlue(a) - qBlue(b)) <= 8);
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
        const QByteArray earlier("the earlier output");
        QVERIFY(TestPictures::writeFile(target, earlier));
        QImage noise(600, 400, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) & 0xFF));
        ImagingStatus status;
        {
            const FileSizeLimit limit(16 * 1024); // the file cannot be finished
            status = ImageEncoder::write(noise, target, format);
        }
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(QStringLiteral("kept.out")), qPrintable(status.error));
        QCOMPARE(TestPictures::readFile(target), earlier);
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void reportsUnwritableTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "no/such/folder/x.jpg"
                                        << "does not exist";
        QTest::newRow("a folder's name") << "taken"
                                         << "a folder has that name";
        QTest::newRow("under a file") << "plain.txt/x.jpg"
                                      << "does not exist";
        QTest::newRow("no name") << ""
                                 << "no output file name";
    }

    void reportsUnwritableTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QDir(m_dir.path()).mkpath(QStringLiteral("taken"));
        TestPictures::writeFile(path(QStringLiteral("plain.txt")), "text");
        const QString full = target.isEmpty() ? QString() : path(target);
        const ImagingStatus status =
            ImageEncoder::write(TestPictures::testPicture(8, 8), full, FileFormat::Jpeg);
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(reason), qPrintable(status.error));
        QVERIFY(QFileInfo(path(QStringLiteral("taken"))).isDir());
        QVERIFY(leftovers(m_dir.path()).isEmpty());
    }

    void readOnlyFolderIsReported()
    {
        if (::geteuid() == 0)
            QSKIP("folder permissions do not bind the superuser");
        const QString folder = path(QStringLiteral("locked"));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        const ImagingStatus status = ImageEncoder::write(TestPictures::testPicture(8, 8),
                                                         folder + QStringLiteral("/x.png"), FileFormat::Png);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(QStringLiteral("permission denied")), qPrintable(status.error));
    }

    void replacesAnExistingFile()
    {
        const QString target = path(QStringLiteral("again.png"));
        QVERIFY(ImageEncoder::write(TestPictures::testPicture(10, 10), target, FileFormat::Png).ok);
        QVERIFY(ImageEncoder::write(TestPictures::testPicture(20, 5), target, FileFormat::Png).ok);
        QImage back;
        QVERIFY(PhotoDecoder::load(target, back).ok);
        QCOMPARE(back.size(), QSize(20, 5));
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
        const QByteArray original = TestPictures::encode(TestPictures::testPicture(16, 16));
        QVERIFY(TestPictures::writeFile(source, original));
        QDir(m_dir.path()).mkpath(QStringLiteral("sub"));
        QFile::remove(path(QStringLiteral("link.jpg")));
        QFile::remove(path(QStringLiteral("hard.jpg")));
        QVERIFY(QFile::link(source, path(QStringLiteral("link.jpg"))));
        QVERIFY(::link(QFile::encodeName(source).constData(),
                       QFile::encodeName(path(QStringLiteral("hard.jpg"))).constData()) == 0);

        ImageEncoder::Options options;
        options.sourcePath = source;
        const ImagingStatus status =
            ImageEncoder::write(TestPictures::testPicture(30, 30), path(target), FileFormat::Jpeg, options);
        QVERIFY(!status.ok);
        QVERIFY2(status.error.contains(QStringLiteral("source photo itself")), qPrintable(status.error));
        QCOMPARE(TestPictures::readFile(source), original);
        QVERIFY(QFileInfo(path(QStringLiteral("link.jpg"))).isSymLink());
    }

    void removesLeftoversOfInterruptedWrites()
    {
        const QString target = path(QStringLiteral("photo.jpg"));
        const QString prefix = AtomicFileWriter::temporaryPrefix(target);
        const QString suffix = AtomicFileWriter::temporarySuffix();
        const QString dead = prefix + QStringLiteral("2147483646-1a") + suffix; // no such process
        const QString alive = prefix + QString::number(::getppid()) + QStringLiteral("-2b") + suffix;
        const QString other = AtomicFileWriter::temporaryPrefix(path(QStringLiteral("other.jpg"))) +
                              QStringLiteral("2147483646-3c") + suffix;
        const QString deadLink = prefix + QStringLiteral("2147483645-4d") + suffix;
        for (const QString& name : {dead, alive, other})
            QVERIFY(TestPictures::writeFile(path(name), "partial"));
        QVERIFY(QFile::link(path(QStringLiteral("victim")), path(deadLink)));
        QVERIFY(TestPictures::writeFile(path(QStringLiteral("victim")), "must stay"));

        QVERIFY(ImageEncoder::write(TestPictures::testPicture(8, 8), target, FileFormat::Jpeg).ok);
        QVERIFY(!QFile::exists(path(dead)));
        QVERIFY(QFile::exists(path(alive)));
        QVERIFY(QFile::exists(path(other)));
        QVERIFY(QFileInfo(path(deadLink)).isSymLink());
        QCOMPARE(TestPictures::readFile(path(QStringLiteral("victim"))), QByteArray("must stay"));
        for (const QString& name : {alive, other, deadLink})
            QFile::remove(path(name));
    }
};

QTEST_GUILESS_MAIN(ImageEncoderTest)
#include "ImageEncoderTest.moc"
