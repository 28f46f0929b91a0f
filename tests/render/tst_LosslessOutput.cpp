#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>

#include <jpeglib.h>

#include "RenderTestSupport.h"
#include "TestPhotos.h"
#include "model/LayerFiles.h"
#include "model/WatermarkTemplate.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "support/JpegTestBlocks.h"
#include "support/MemoryJpeg.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

using namespace JpegTestBlocks;
using namespace RenderTestSupport;

namespace {

const QString kTemplate = QStringLiteral("Stamp");

// A JPEG coded arithmetically, which the lossless way leaves to the full path.
QByteArray arithmeticJpeg(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    MemoryJpeg file(rgb.width(), rgb.height(), 3, JCS_RGB);
    file.cinfo.arith_code = TRUE;
    jpeg_start_compress(&file.cinfo, TRUE);
    while (file.cinfo.next_scanline < file.cinfo.image_height)
        file.writeRow(rgb.constScanLine(int(file.cinfo.next_scanline)));
    return file.finish();
}

// A progressive JPEG written with the given scans (each: the components, Ss, Se, Ah, Al).
QByteArray progressiveJpeg(const QImage& image, const std::vector<jpeg_scan_info>& scans)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    MemoryJpeg file(rgb.width(), rgb.height(), 3, JCS_RGB);
    file.cinfo.scan_info = scans.data();
    file.cinfo.num_scans = int(scans.size());
    jpeg_start_compress(&file.cinfo, TRUE);
    while (file.cinfo.next_scanline < file.cinfo.image_height)
        file.writeRow(rgb.constScanLine(int(file.cinfo.next_scanline)));
    return file.finish();
}

// Scans that code the DC coefficients only, or every coefficient but its lowest bit: decoders
// guess what is missing by smoothing across blocks.
std::vector<jpeg_scan_info> incompleteScans(bool dcOnly)
{
    std::vector<jpeg_scan_info> scans;
    const int al = dcOnly ? 0 : 1;
    scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, al});
    if (!dcOnly) {
        for (int component = 0; component < 3; ++component)
            scans.push_back({1, {component, 0, 0, 0}, 1, 63, 0, al});
    }
    return scans;
}

QList<JpegMetadata::Segment> cameraSegments(int orientation)
{
    return {
        {JpegMetadata::kApp1, TestPhotos::exifWithOrientation(orientation)},
        {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\1\1fake profile", 26)},
        {JpegMetadata::kApp13, QByteArray("Photoshop 3.0\0IPTC block", 25)},
        {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42)},
    };
}

bool isRed(QRgb p)
{
    return qRed(p) > 190 && qGreen(p) < 70 && qBlue(p) < 70;
}

QImage decodeUpright(const QString& path)
{
    PhotoDecoder decoder;
    QImage image;
    if (!decoder.open(path) || !decoder.decode(image, QSize(), true))
        return QImage();
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

class LosslessOutputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_data;

    QString writePhoto(const QString& name, const QByteArray& data) const
    {
        QDir().mkpath(m_data->filePath(QStringLiteral("photos")));
        const QString file = m_data->filePath(QStringLiteral("photos/") + name);
        return writeFile(file, data) ? file : QString();
    }

    RenderRequest request(const QString& source, const QString& folder, bool lossless) const
    {
        RenderRequest r = batchRequest(source, kTemplate, m_data->filePath(folder));
        r.losslessJpeg = lossless;
        return r;
    }

    // The template drawn alone on a transparent canvas of the upright photo's size.
    static QImage markOf(const QSize& upright)
    {
        QImage canvas(upright, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        WatermarkCompositor::drawTemplate(painter, upright, kTemplate, PhotoDecoder::kDefaultPixelLimit);
        return canvas;
    }

    // Every changed block lies under a pixel of the mark (stored orientation).
    static bool underTheMark(const QList<QRect>& blocks, const QImage& storedMark)
    {
        for (const QRect& block : blocks) {
            bool under = false;
            for (int y = block.top(); y <= block.bottom() && !under; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(storedMark.constScanLine(y));
                for (int x = block.left(); x <= block.right() && !under; ++x)
                    under = line[x] != 0;
            }
            if (!under)
                return false;
        }
        return true;
    }

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void init()
    {
        m_data = std::make_unique<TempDataFolder>();
        QVERIFY(QDir().mkpath(m_data->templates()));
        const QString marker = m_data->filePath(QStringLiteral("marker.png"));
        QVERIFY(writeRedMarker(marker));
        // Turned red text with a shadow in the middle, a red square at the upright top-left.
        WatermarkConf text = plainTextLayer(QStringLiteral("Lumora Plenum"));
        text.Location = 4;
        text.Rotation = 30;
        text.ScaleTextWT = 1;
        text.TextColor = colorRef(158, 51, 11);
        text.BAddShadow = 1;
        WatermarkConf square = pictureOnlyLayer(marker);
        WatermarkTemplate tmpl;
        tmpl.name = kTemplate;
        tmpl.layers = {QStringLiteral("text"), QStringLiteral("square")};
        QVERIFY(SaveLayerConf(QStringLiteral("text"), text, text.Font));
        QVERIFY(SaveLayerConf(QStringLiteral("square"), square, square.Font));
        QVERIFY(saveWatermarkTemplate(tmpl));
    }
    void cleanup() { m_data.reset(); }

    // A JPEG photo stamped the lossless way: stamped upright, stored as the camera stored it
    // with its orientation item and every metadata segment byte for byte; outside the blocks
    // the watermark re-encodes (and their one-pixel border) the photo decodes exactly as
    // before, and those blocks all lie under the watermark; under the watermark the output
    // is as close to the photo stamped in full as a JPEG of it at the photo's own settings.
    void keepsThePhotoOutsideTheWatermark_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("kind");
        const int colour = int(TestPictures::Kind::Colour);
        QTest::newRow("orientation 1") << 1 << colour;
        QTest::newRow("orientation 3") << 3 << colour;
        QTest::newRow("orientation 6") << 6 << colour;
        QTest::newRow("orientation 8") << 8 << colour;
        QTest::newRow("orientation 8, progressive") << 8 << int(TestPictures::Kind::Progressive);
        QTest::newRow("orientation 6, restart markers") << 6 << int(TestPictures::Kind::Restart);
    }

    void keepsThePhotoOutsideTheWatermark()
    {
        QFETCH(int, orientation);
        QFETCH(int, kind);
        const QSize upright(240, 160);
        const QImage stored = ImageOrientation::turnBack(TestPhotos::detailedPhoto(upright), orientation);
        const QList<JpegMetadata::Segment> segments = cameraSegments(orientation);
        const QByteArray sourceData = TestPictures::jpeg(stored, TestPictures::Kind(kind), segments, 90);
        const QString source = writePhoto(QStringLiteral("photo.jpg"), sourceData);

        const WatermarkCompositor::Result lossless =
            WatermarkCompositor::render(request(source, QStringLiteral("lossless"), true));
        QVERIFY2(lossless.outcome.ok(), qPrintable(lossless.outcome.sentence()));
        const QByteArray output = readFile(lossless.outcome.outputPath);
        QCOMPARE(TestPhotos::keptSegments(output), segments);
        PhotoDecoder decoder;
        QVERIFY(decoder.open(lossless.outcome.outputPath).ok());
        QCOMPARE(decoder.storedSize(), stored.size());
        QCOMPARE(decoder.orientation(), orientation);

        const Blocks before = readBlocks(sourceData);
        const Blocks after = readBlocks(output);
        QCOMPARE(after.progressive, before.progressive);
        QCOMPARE(after.restart, before.restart);
        const QList<QRect> changed = changedBlocks(before, after);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(differencesOutside(decode(sourceData), decode(output), changed), 0);
        const QImage mark = markOf(upright);
        QVERIFY(underTheMark(changed, ImageOrientation::turnBack(mark, orientation)));

        // Upright: the square at the top-left, the text as the full path draws it.
        const QImage shown = decodeUpright(lossless.outcome.outputPath);
        QCOMPARE(shown.size(), upright);
        QVERIFY(isRed(shown.pixel(8, 8)));
        QImage ideal = decodeUpright(source).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&ideal);
            WatermarkCompositor::drawTemplate(painter, upright, kTemplate, PhotoDecoder::kDefaultPixelLimit);
        }
        const QRect drawn = boxOf(mark, [](QRgb p) { return p != 0; });
        const QImage reference = decode(TestPictures::jpeg(ideal, TestPictures::Kind::Colour, {}, 90));
        ideal = ideal.convertToFormat(QImage::Format_RGB888);
        const double ours = psnr(shown, ideal, drawn);
        const double encoded = psnr(reference, ideal, drawn);
        QVERIFY2(ours >= encoded - 1.0,
                 qPrintable(QStringLiteral("%1 dB against %2 dB").arg(ours).arg(encoded)));
        const WatermarkCompositor::Result full =
            WatermarkCompositor::render(request(source, QStringLiteral("full"), false));
        QVERIFY2(full.outcome.ok(), qPrintable(full.outcome.sentence()));
        QVERIFY(psnr(shown, decodeUpright(full.outcome.outputPath), drawn) >= encoded - 1.0);
    }

    // Stamping the output five more times leaves everything outside the watermark's blocks
    // exactly as in the photo: no generation loss creeps outward.
    void restampingKeepsThePhotoOutsideTheMark()
    {
        const int orientation = 6;
        const QSize upright(240, 160);
        const QImage stored = ImageOrientation::turnBack(TestPhotos::detailedPhoto(upright), orientation);
        const QByteArray sourceData =
            TestPictures::jpeg(stored, TestPictures::Kind::Colour, cameraSegments(orientation), 90);
        QString current = writePhoto(QStringLiteral("photo.jpg"), sourceData);
        for (int round = 1; round <= 6; ++round) {
            const WatermarkCompositor::Result result =
                WatermarkCompositor::render(request(current, QStringLiteral("round%1").arg(round), true));
            QVERIFY2(result.outcome.ok(), qPrintable(result.outcome.sentence()));
            current = result.outcome.outputPath;
        }
        const QByteArray last = readFile(current);
        const QList<QRect> changed = changedBlocks(readBlocks(sourceData), readBlocks(last));
        QVERIFY(!changed.isEmpty());
        QVERIFY(underTheMark(changed, ImageOrientation::turnBack(markOf(upright), orientation)));
        QCOMPARE(differencesOutside(decode(sourceData), decode(last), changed), 0);
        QCOMPARE(TestPhotos::keptSegments(last), cameraSegments(orientation));
    }

    // A grey watermark on a grey photo keeps the lossless way: one component, the blocks
    // outside the watermark as they were.
    void greyPhotoTakesAGreyMark()
    {
        WatermarkConf text = plainTextLayer(QStringLiteral("Lumora Plenum"));
        text.Location = 4;
        text.ScaleTextWT = 1;
        text.TextColor = colorRef(230, 230, 230);
        text.BAddShadow = 1;
        QVERIFY(SaveLayerConf(QStringLiteral("text"), text, text.Font));
        WatermarkTemplate tmpl;
        tmpl.name = kTemplate;
        tmpl.layers = {QStringLiteral("text")};
        QVERIFY(saveWatermarkTemplate(tmpl));
        const QByteArray sourceData =
            TestPictures::jpeg(TestPhotos::detailedPhoto(QSize(240, 160)), TestPictures::Kind::Grayscale);
        const QString source = writePhoto(QStringLiteral("grey.jpg"), sourceData);
        const WatermarkCompositor::Result result =
            WatermarkCompositor::render(request(source, QStringLiteral("lossless"), true));
        QVERIFY2(result.outcome.ok(), qPrintable(result.outcome.sentence()));
        const QByteArray output = readFile(result.outcome.outputPath);
        const Blocks after = readBlocks(output);
        QCOMPARE(int(after.components.size()), 1);
        const QList<QRect> changed = changedBlocks(readBlocks(sourceData), after);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(differencesOutside(decode(sourceData), decode(output), changed), 0);
    }

    // Photos the lossless way does not take are stamped by the full path, to the same bytes
    // (or the same failure) as without the choice.
    void otherPhotosTakeTheFullPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("PNG photo") << QStringLiteral("photo.png") << QStringLiteral("png");
        QTest::newRow("resized") << QStringLiteral("photo.jpg") << QStringLiteral("resized");
        QTest::newRow("PNG output") << QStringLiteral("photo.jpg") << QStringLiteral("png output");
        QTest::newRow("CMYK") << QStringLiteral("photo.jpg") << QStringLiteral("cmyk");
        QTest::newRow("arithmetic coding") << QStringLiteral("photo.jpg") << QStringLiteral("arithmetic");
        QTest::newRow("cut off") << QStringLiteral("photo.jpg") << QStringLiteral("cut");
        // Rewritten with every bit coded, these would decode differently in every block.
        QTest::newRow("progressive, DC only") << QStringLiteral("photo.jpg") << QStringLiteral("dc only");
        QTest::newRow("progressive, lowest bits left out")
            << QStringLiteral("photo.jpg") << QStringLiteral("no last bit");
        // A grey photo's blocks cannot hold the coloured watermark.
        QTest::newRow("grey photo, colour mark") << QStringLiteral("photo.jpg") << QStringLiteral("grey");
    }

    void otherPhotosTakeTheFullPath()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        const QImage photo = TestPhotos::detailedPhoto(QSize(120, 80));
        QByteArray data;
        if (kind == QLatin1String("png")) {
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            photo.save(&buffer, "PNG");
        } else if (kind == QLatin1String("cmyk")) {
            data = TestPictures::jpeg(photo, TestPictures::Kind::AdobeCmyk);
        } else if (kind == QLatin1String("arithmetic")) {
            data = arithmeticJpeg(photo);
        } else if (kind == QLatin1String("dc only") || kind == QLatin1String("no last bit")) {
            data = progressiveJpeg(photo, incompleteScans(kind == QLatin1String("dc only")));
        } else if (kind == QLatin1String("grey")) {
            data = TestPictures::jpeg(photo, TestPictures::Kind::Grayscale);
        } else {
            data = TestPictures::jpeg(photo);
            if (kind == QLatin1String("cut"))
                data.truncate(data.size() / 2);
        }
        const QString source = writePhoto(name, data);
        RenderRequest lossless = request(source, QStringLiteral("lossless"), true);
        RenderRequest full = request(source, QStringLiteral("full"), false);
        for (RenderRequest* r : {&lossless, &full}) {
            if (kind == QLatin1String("resized")) {
                r->resizePictures = true;
                r->resize.ScaleType = ResizeSettings::ScaleByWidth;
                r->resize.TargetWidth = 60;
            }
            if (kind == QLatin1String("png output"))
                r->output.OutputFormat = OutputSettings::Png;
        }
        const ComposeOutcome a = WatermarkCompositor::render(lossless).outcome;
        const ComposeOutcome b = WatermarkCompositor::render(full).outcome;
        QCOMPARE(a.ok(), b.ok());
        QCOMPARE(a.sentence(), b.sentence());
        if (a.ok())
            QCOMPARE(readFile(a.outputPath), readFile(b.outputPath));
        QCOMPARE(a.ok(), kind != QLatin1String("cut"));
    }
};

QTEST_MAIN(LosslessOutputTest)
#include "tst_LosslessOutput.moc"
