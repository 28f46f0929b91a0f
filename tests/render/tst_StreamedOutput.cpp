#include <QDir>
#include <QTest>

#include <cmath>

#include "RenderTestSupport.h"
#include "TestPhotos.h"
#include "model/LayerFiles.h"
#include "model/WatermarkTemplate.h"
#include "render/DrawingLimits.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "render/stream/JpegStream.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

using namespace RenderTestSupport;

namespace {

const QString kTemplate = QStringLiteral("Stamp");

// The photo file of a kind: "420" and "444" colour, "grey", "progressive" (colour, 4:2:0), "cut"
// (4:2:0 without the end of its data: its last rows are missing).
QByteArray photoData(const QImage& image, const QString& kind, const QList<JpegMetadata::Segment>& segments)
{
    if (kind == QLatin1String("cut")) {
        const QByteArray whole = photoData(image, QStringLiteral("420"), segments);
        return whole.left(whole.size() * 97 / 100);
    }
    if (kind == QLatin1String("grey"))
        return TestPictures::jpeg(image, TestPictures::Kind::Grayscale, segments, 92);
    if (kind == QLatin1String("progressive"))
        return TestPictures::jpeg(image, TestPictures::Kind::Progressive, segments, 92);
    ImageEncoder::Options options;
    options.metadata.segments = segments;
    options.jpegQuality = 92;
    options.jpegSampling = kind == QLatin1String("444") ? QSize(1, 1) : QSize(2, 2);
    QByteArray data;
    ImageEncoder::encode(image, ImageEncoder::FileFormat::Jpeg, options, data);
    return data;
}

// A smooth photo, whose thumbnails made by averaging and by sampling look alike.
QImage smoothPhoto(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(40 + 160 * x / size.width(), 60 + 150 * y / size.height(),
                           int(128 + 50 * std::sin((x + y) / 90.0)));
    }
    return image;
}

// The largest difference of a channel between two pictures of the same size, each averaged
// over 2 x 2 pixels first (the thumbnails are made by different filters).
int blockDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    const auto average = [](const QImage& image, int bx, int by, int shift) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                sum += image.pixel(bx * 2 + dx, by * 2 + dy) >> shift & 0xFF;
        return sum / 4;
    };
    int most = 0;
    for (int by = 0; by < x.height() / 2; ++by)
        for (int bx = 0; bx < x.width() / 2; ++bx)
            for (const int shift : {0, 8, 16})
                most = std::max(most, std::abs(average(x, bx, by, shift) - average(y, bx, by, shift)));
    return most;
}

} // namespace

class StreamedOutputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_data;

    RenderRequest request(const QString& source, const QString& folder) const
    {
        return batchRequest(source, kTemplate, m_data->filePath(folder));
    }

private slots:
    void initTestCase() { registerApplicationFonts(); }
    void init() { m_data = std::make_unique<TempDataFolder>(); }
    void cleanup() { m_data.reset(); }

    // Every photo the stream takes is written as the full path writes it, byte for byte (the
    // same decoded rows, drawing, encoder settings, Huffman tables and metadata), whether its
    // mark crosses the bands the tables are fitted to or not; photos it leaves (turned ones,
    // a text repeated over the photo, progressive outputs, resizing) get the full path's file.
    void writesTheFullPathsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("location");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<int>("rotation");
        // s: shadow (S: its widest blur), o: outline (O: thick), d: 3D, p: picture, c: repeated,
        // g: gradient
        QTest::addColumn<QString>("effects");
        // p: progressive output, r: resized, t: a smooth photo whose EXIF holds a 160 x 120 thumbnail,
        // f: TIFF output, n: PNG output
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("streamed");

        const QSize tall(480, 1100);
        for (int cell = 0; cell < 9; ++cell)
            QTest::addRow("4:2:0, cell %d", cell) << "420" << tall << 1 << cell << QPoint() << 0 << "s"
                                                  << "" << true;
        QTest::newRow("offsets across a sampled band, turned")
            << "420" << tall << 0 << 0 << QPoint(37, 250) << 25 << "so"
            << "" << true;
        QTest::newRow("picture, outline, at the bottom edge")
            << "420" << tall << 1 << 7 << QPoint(-11, 6) << 0 << "op"
            << "" << true;
        QTest::newRow("widest shadow blur, thick outline, 3D")
            << "420" << tall << 1 << 1 << QPoint(0, 300) << 10 << "SOd"
            << "" << true;
        QTest::newRow("gradient, turned") << "420" << tall << 1 << 4 << QPoint() << 90 << "g"
                                          << "" << true;
        QTest::newRow("4:4:4, shadow and picture") << "444" << tall << 1 << 3 << QPoint(5, 124) << 12 << "sp"
                                                   << "" << true;
        QTest::newRow("grey, coloured outline and picture")
            << "grey" << tall << 1 << 4 << QPoint() << 45 << "op"
            << "" << true;
        QTest::newRow("progressive photo") << "progressive" << tall << 1 << 2 << QPoint() << 0 << "s"
                                           << "" << true;
        QTest::newRow("small photo (tables fitted by libjpeg)")
            << "420" << QSize(200, 150) << 1 << 4 << QPoint() << 30 << "sp"
            << "" << true;
        QTest::newRow("mark outside the photo") << "420" << tall << 1 << 0 << QPoint(-3000, 0) << 0 << ""
                                                << "" << true;
        QTest::newRow("orientation 2, mirrored") << "420" << tall << 2 << 3 << QPoint(9, 260) << 20 << "sop"
                                                 << "" << true;
        QTest::newRow("EXIF thumbnail, decoded at 1/8")
            << "420" << QSize(1280, 960) << 1 << 4 << QPoint(0, 40) << 15 << "sp"
            << "t" << true;
        QTest::newRow("EXIF thumbnail, mirrored progressive photo at 1/4")
            << "progressive" << QSize(640, 480) << 2 << 2 << QPoint(7, 30) << 0 << "op"
            << "t" << true;
        QTest::newRow("EXIF thumbnail, grey") << "grey" << QSize(800, 600) << 1 << 6 << QPoint() << 0 << "p"
                                              << "t" << true;
        QTest::newRow("TIFF, shadow and picture") << "420" << tall << 1 << 5 << QPoint(3, 140) << 20 << "sp"
                                                  << "f" << true;
        QTest::newRow("TIFF, grey, mirrored") << "grey" << tall << 2 << 6 << QPoint(9, -40) << 0 << "op"
                                              << "f" << true;
        QTest::newRow("TIFF, EXIF thumbnail left out")
            << "444" << QSize(640, 480) << 1 << 0 << QPoint() << 0 << "s"
            << "ft" << true;
        QTest::newRow("PNG, shadow and picture") << "420" << tall << 1 << 1 << QPoint(-6, 220) << 35 << "sp"
                                                 << "n" << true;
        QTest::newRow("PNG, grey, mirrored") << "grey" << tall << 2 << 8 << QPoint() << 0 << "o"
                                             << "n" << true;
        QTest::newRow("PNG, EXIF thumbnail (remade from the whole picture)")
            << "420" << QSize(640, 480) << 1 << 4 << QPoint() << 0 << "s"
            << "nt" << false;
        QTest::newRow("TIFF, orientation 6") << "420" << tall << 6 << 4 << QPoint() << 0 << "s"
                                             << "f" << false;
        QTest::newRow("damaged near its end") << "cut" << tall << 1 << 0 << QPoint() << 0 << "s"
                                              << "" << false;
        QTest::newRow("damaged, with an EXIF thumbnail")
            << "cut" << QSize(640, 480) << 1 << 0 << QPoint() << 0 << "s"
            << "t" << false;
        QTest::newRow("orientation 3, turned half round")
            << "420" << tall << 3 << 1 << QPoint(21, 240) << 15 << "sop"
            << "" << true;
        QTest::newRow("orientation 4, flipped, across a sampled band")
            << "444" << tall << 4 << 6 << QPoint(-8, -300) << 0 << "Od"
            << "" << true;
        QTest::newRow("EXIF thumbnail, orientation 3")
            << "420" << QSize(1280, 960) << 3 << 8 << QPoint() << 0 << "sp"
            << "t" << true;
        QTest::newRow("TIFF, orientation 3 (rows wanted bottom up)")
            << "420" << tall << 3 << 4 << QPoint() << 0 << "s"
            << "f" << false;
        QTest::newRow("PNG, orientation 4 (rows wanted bottom up)")
            << "grey" << tall << 4 << 2 << QPoint() << 0 << "o"
            << "n" << false;
        QTest::newRow("orientation 6") << "420" << tall << 6 << 8 << QPoint() << 0 << "p"
                                       << "" << false;
        QTest::newRow("repeated text") << "420" << tall << 1 << 4 << QPoint() << 30 << "c"
                                       << "" << false;
        QTest::newRow("progressive output") << "420" << tall << 1 << 4 << QPoint() << 0 << "s"
                                            << "p" << false;
        QTest::newRow("resized") << "420" << tall << 1 << 4 << QPoint() << 0 << "s"
                                 << "r" << false;
    }

    void writesTheFullPathsFile()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(int, orientation);
        QFETCH(int, location);
        QFETCH(QPoint, offset);
        QFETCH(int, rotation);
        QFETCH(QString, effects);
        QFETCH(QString, settings);
        QFETCH(bool, streamed);

        QVERIFY(QDir().mkpath(m_data->templates()));
        WatermarkConf text = plainTextLayer(QStringLiteral("Lumora Plenum"));
        text.Location = location;
        text.OffsetH = offset.x();
        text.OffsetV = offset.y();
        text.Rotation = rotation;
        text.TextColor = colorRef(158, 51, 11);
        text.BAddShadow = effects.contains(QLatin1Char('s'), Qt::CaseInsensitive) ? 1 : 0;
        text.ShadowBR =
            effects.contains(QLatin1Char('S')) ? DrawingLimits::kMaxShadowRings - 8 : text.ShadowBR;
        text.BDrawEdge = effects.contains(QLatin1Char('o'), Qt::CaseInsensitive) ? 1 : 0;
        text.EdgeLineThickness = effects.contains(QLatin1Char('O')) ? 14 : text.EdgeLineThickness;
        text.B3DText = effects.contains(QLatin1Char('d')) ? 1 : 0;
        text.EdgeColor = colorRef(20, 90, 200);
        text.BCoverImage = effects.contains(QLatin1Char('c')) ? 1 : 0;
        text.BGradientText = effects.contains(QLatin1Char('g')) ? 1 : 0;
        if (effects.contains(QLatin1Char('p'))) {
            const QString picture = m_data->filePath(QStringLiteral("picture.png"));
            QImage square(40, 30, QImage::Format_ARGB32);
            square.fill(QColor(30, 160, 60, 150));
            QVERIFY(square.save(picture));
            text.ImagePathName = picture;
            text.ImageLocation = (location + 4) % 9;
            text.ImageOffsetH = offset.x() / 2;
            text.ImageOffsetV = offset.y() / 2;
            text.ImageRotation = rotation;
            text.ImageTransparency = 80;
        }
        QVERIFY(SaveLayerConf(QStringLiteral("text"), text, text.Font));
        WatermarkTemplate tmpl;
        tmpl.name = kTemplate;
        tmpl.layers = {QStringLiteral("text")};
        QVERIFY(saveWatermarkTemplate(tmpl));

        const bool thumbnail = settings.contains(QLatin1Char('t'));
        const QImage upright = thumbnail ? smoothPhoto(size) : TestPhotos::detailedPhoto(size);
        const QImage stored = ImageOrientation::turnBack(upright, orientation);
        const QImage unstamped = stored.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QList<JpegMetadata::Segment> segments = {
            {JpegMetadata::kApp1,
             thumbnail ? TestPhotos::exifWithThumbnail(orientation, ImageEncoder::jpegData(unstamped, 90))
                       : TestPhotos::exifWithOrientation(orientation)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\1\1fake profile", 26)},
        };
        const QString source = m_data->filePath(QStringLiteral("photo.jpg"));
        QVERIFY(writeFile(source,
                          photoData(stored, kind, orientation ? segments : QList<JpegMetadata::Segment>())));

        const auto render = [&](bool stream) {
            RenderRequest r = request(source, stream ? QStringLiteral("stream") : QStringLiteral("full"));
            r.streaming = stream;
            r.quality.progressive = settings.contains(QLatin1Char('p'));
            if (settings.contains(QLatin1Char('f')))
                r.output.OutputFormat = OutputSettings::Tiff;
            if (settings.contains(QLatin1Char('n')))
                r.output.OutputFormat = OutputSettings::Png;
            if (settings.contains(QLatin1Char('r'))) {
                r.resize.ScaleType = 1;
                r.resize.TargetWidth = 300;
                r.resize.TargetHeight = 200;
                r.resizePictures = true;
            }
            return WatermarkCompositor::render(r);
        };
        const WatermarkCompositor::Result ours = render(true);
        QCOMPARE(ours.streamed, streamed && ours.outcome.ok());
        const WatermarkCompositor::Result full = render(false);
        QVERIFY(!full.streamed);
        if (kind == QLatin1String("cut")) {
            // Found damaged on the way: the full path's failure, and no file left.
            QVERIFY(!full.outcome.ok());
            QCOMPARE(ours.outcome.ok(), false);
            QCOMPARE(ours.outcome.sentence(), full.outcome.sentence());
            QCOMPARE(QDir(m_data->filePath(QStringLiteral("stream"))).entryList(QDir::Files | QDir::Hidden),
                     QStringList());
            return;
        }
        QVERIFY2(ours.outcome.ok(), qPrintable(ours.outcome.sentence()));
        QVERIFY2(full.outcome.ok(), qPrintable(full.outcome.sentence()));
        const QByteArray written = readFile(ours.outcome.outputPath);
        const QByteArray expected = readFile(full.outcome.outputPath);
        QVERIFY(!expected.isEmpty());
        if (thumbnail && !settings.contains(QLatin1Char('f')) && !settings.contains(QLatin1Char('n'))) {
            // The thumbnail is remade from the photo decoded at a reduced scale: the files
            // differ in it alone, and it shows the mark where the full path's does.
            const QByteArray ourExif = TestPhotos::keptSegments(written).value(0).data;
            const QByteArray fullExif = TestPhotos::keptSegments(expected).value(0).data;
            QCOMPARE(ourExif.left(TestPhotos::kThumbnailLengthAt),
                     fullExif.left(TestPhotos::kThumbnailLengthAt));
            const QImage ourThumbnail = QImage::fromData(ourExif.mid(TestPhotos::kThumbnailAt), "JPEG");
            const QImage fullThumbnail = QImage::fromData(fullExif.mid(TestPhotos::kThumbnailAt), "JPEG");
            QCOMPARE(ourThumbnail.size(), QSize(160, 120));
            QCOMPARE(fullThumbnail.size(), QSize(160, 120));
            // The mark shows in the thumbnail (else the comparison below would prove nothing).
            QVERIFY(blockDifference(fullThumbnail, unstamped) > 60);
            const int difference = blockDifference(ourThumbnail, fullThumbnail);
            QVERIFY2(difference <= 24, qPrintable(QStringLiteral("thumbnails differ by %1").arg(difference)));
            QByteArray ourBytes = written;
            QByteArray fullBytes = expected;
            ourBytes.remove(ourBytes.indexOf(ourExif) - 2, ourExif.size() + 2);
            fullBytes.remove(fullBytes.indexOf(fullExif) - 2, fullExif.size() + 2);
            QVERIFY2(ourBytes == fullBytes, "the files differ beyond their EXIF thumbnails");
            return;
        }
        if (written != expected) {
            QImage a;
            QImage b;
            QVERIFY(PhotoDecoder::load(ours.outcome.outputPath, a).ok());
            QVERIFY(PhotoDecoder::load(full.outcome.outputPath, b).ok());
            QVERIFY2(a == b, "the output's pixels differ from the full path's");
            QFAIL("the output decodes to the full path's pixels but its bytes differ");
        }
    }
};

QTEST_MAIN(StreamedOutputTest)
#include "tst_StreamedOutput.moc"
