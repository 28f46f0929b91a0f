#include <QDir>
#include <QFile>
#include <QTest>

#include <thread>
#include <vector>

#include "RenderTestSupport.h"
#include "TestPhotos.h"
#include "model/LayerFiles.h"
#include "model/RenderSettings.h"
#include "model/WatermarkTemplate.h"
#include "render/ComposeWatermark.h"
#include "render/RenderRequest.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/sample/SamplePicture.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"

using namespace RenderTestSupport;

namespace {

const QString kTemplate = QStringLiteral("Stamp");

// An upright photo: white with a black frame line at the bottom, so turns are visible.
QImage uprightPhoto(const QSize& size)
{
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(Qt::white);
    QPainter painter(&photo);
    painter.fillRect(QRect(0, size.height() - 8, size.width(), 8), Qt::black);
    return photo;
}

bool isRed(QRgb p)
{
    return qRed(p) > 190 && qGreen(p) < 70 && qBlue(p) < 70;
}

QByteArray magic(const QString& path)
{
    return readFile(path).left(4);
}

class PreviewProbe : public EditorPreviewTarget
{
public:
    QSize previewSize() const override { return QSize(677, 625); }
    void showPreview(const QImage& picture, const QStringList&) override { shown = picture; }
    QImage shown;
};

} // namespace

class ComposeWatermarkTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_data;
    QString m_marker; // a 16 x 16 red picture

    QString photoFolder() const { return m_data->root() + QStringLiteral("/photos"); }

    // The red marker picture at the top-left corner.
    void writeMarkerTemplate()
    {
        writeTemplate(kTemplate, {{QStringLiteral("marker"), pictureOnlyLayer(m_marker)}});
    }

    // Renders `r` and reads the output back; a null picture (the reason logged) when it failed.
    static QImage renderedPicture(const RenderRequest& r)
    {
        const WatermarkCompositor::Result result = WatermarkCompositor::render(r);
        if (!result.outcome.ok())
            qWarning("%s", qPrintable(result.outcome.sentence()));
        return result.outcome.ok() ? QImage(result.outcome.outputPath) : QImage();
    }

    RenderRequest request(ComposeMode mode, const QString& source, const QString& target = QString()) const
    {
        RenderRequest r = batchRequest(source, kTemplate, m_data->root() + QStringLiteral("/out"));
        r.mode = mode;
        r.targetPath = target;
        return r;
    }

    QString writePhoto(const QString& name, const QImage& image,
                       const QList<JpegMetadata::Segment>& segments = {})
    {
        const QString path = photoFolder() + QLatin1Char('/') + name;
        QDir().mkpath(photoFolder());
        if (name.endsWith(QLatin1String(".jpg")))
            TestPhotos::writeJpeg(path, image, segments);
        else
            image.save(path);
        return path;
    }

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void init()
    {
        m_data = std::make_unique<TempDataFolder>();
        QVERIFY(QDir().mkpath(m_data->templates()));
        m_marker = m_data->root() + QStringLiteral("/marker.png");
        QVERIFY(writeRedMarker(m_marker));
        writeMarkerTemplate();
    }
    void cleanup() { m_data.reset(); }

    // A photo stored turned is stamped upright. As JPEG it is stored turned back with every
    // metadata segment of the source (so its orientation item still holds); as PNG it is
    // stored upright.
    void orientation_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o : {1, 3, 5, 6, 8})
            QTest::addRow("orientation %d", o) << o;
    }
    void orientation()
    {
        QFETCH(int, orientation);
        const QSize upright(96, 144);
        const QImage stored = ImageOrientation::turnBack(uprightPhoto(upright), orientation);
        const QList<JpegMetadata::Segment> segments = {
            {JpegMetadata::kApp1, TestPhotos::exifWithOrientation(orientation)},
            {JpegMetadata::kApp2, QByteArray("ICC_PROFILE\0\1\1fake profile", 26)},
            {JpegMetadata::kApp13, QByteArray("Photoshop 3.0\0IPTC block", 25)},
            {JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42)},
        };
        const QString source = writePhoto(QStringLiteral("turned.jpg"), stored, segments);

        const WatermarkCompositor::Result jpeg =
            WatermarkCompositor::render(request(ComposeMode::BatchOutput, source));
        QVERIFY2(jpeg.outcome.ok(), qPrintable(jpeg.outcome.sentence()));
        const QByteArray written = readFile(jpeg.outcome.outputPath);
        QCOMPARE(TestPhotos::keptSegments(written), segments);

        PhotoDecoder decoder;
        QVERIFY(decoder.open(jpeg.outcome.outputPath));
        QCOMPARE(decoder.storedSize(), stored.size());
        QCOMPARE(decoder.orientation(), orientation);
        QImage shown;
        QVERIFY(decoder.decode(shown, QSize(), true));
        QVERIFY(isRed(shown.pixel(8, 8)));
        QVERIFY(!isRed(shown.pixel(upright.width() - 8, 8)));
        QVERIFY(qGray(shown.pixel(upright.width() / 2, upright.height() - 3)) < 60);

        RenderRequest png = request(ComposeMode::BatchOutput, source);
        png.output.OutputFormat = OutputSettings::Png;
        const QImage pngImage = renderedPicture(png);
        QCOMPARE(pngImage.size(), upright);
        QVERIFY(isRed(pngImage.pixel(8, 8)));
        QVERIFY(qGray(pngImage.pixel(upright.width() / 2, upright.height() - 3)) < 60);
    }

    void outputNames_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("nameOption");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("jpeg") << 0 << 1 << QStringLiteral("day.one_new.jpg") << QByteArray("\xFF\xD8\xFF", 3);
        QTest::newRow("png") << 1 << 1 << QStringLiteral("day.one_new.png") << QByteArray("\x89PNG");
        QTest::newRow("bmp") << 2 << 1 << QStringLiteral("day.one_new.bmp") << QByteArray("BM");
        QTest::newRow("tiff") << 3 << 1 << QStringLiteral("day.one_new.tiff") << QByteArray();
        QTest::newRow("webp") << 4 << 1 << QStringLiteral("day.one_new.webp") << QByteArray("RIFF");
        QTest::newRow("past the last format: jpeg")
            << 5 << 1 << QStringLiteral("day.one_new.jpg") << QByteArray("\xFF\xD8\xFF", 3);
        QTest::newRow("base name kept")
            << 0 << 0 << QStringLiteral("day.one.jpg") << QByteArray("\xFF\xD8\xFF", 3);
    }
    void outputNames()
    {
        QFETCH(int, format);
        QFETCH(int, nameOption);
        QFETCH(QString, expected);
        QFETCH(QByteArray, magic);
        const QString source = writePhoto(QStringLiteral("day.one.png"), uprightPhoto(QSize(40, 30)));
        RenderRequest r = request(ComposeMode::BatchOutput, source);
        r.output.OutputFormat = format;
        r.output.OutputFileNameOpts = nameOption;
        r.output.OutputFolderPath = m_data->root() + QStringLiteral("/new/nested/out");
        const WatermarkCompositor::Result result = WatermarkCompositor::render(r);
        QVERIFY2(result.outcome.ok(), qPrintable(result.outcome.sentence()));
        QCOMPARE(result.outcome.outputPath, r.output.OutputFolderPath + QLatin1Char('/') + expected);
        if (magic.isEmpty())
            QVERIFY(::magic(result.outcome.outputPath) == QByteArray("II*\0", 4) ||
                    ::magic(result.outcome.outputPath) == QByteArray("MM\0*", 4));
        else
            QVERIFY(::magic(result.outcome.outputPath).startsWith(magic));

        // Beside the source when the folder option is 0.
        r.output.OutputFolderOpts = OutputSettings::BesideSource;
        const WatermarkCompositor::Result beside = WatermarkCompositor::render(r);
        QCOMPARE(beside.outcome.outputPath, photoFolder() + QLatin1Char('/') + expected);
    }

    void previewWritesPngWhateverTheExtension()
    {
        const QString source = writePhoto(QStringLiteral("p.jpg"), uprightPhoto(QSize(64, 48)));
        const QString target = m_data->root() + QStringLiteral("/preview.bmp");
        const WatermarkCompositor::Result result =
            WatermarkCompositor::render(request(ComposeMode::PreviewFile, source, target));
        QVERIFY2(result.outcome.ok(), qPrintable(result.outcome.sentence()));
        QCOMPARE(magic(target), QByteArray("\x89PNG"));
        QVERIFY(isRed(QImage(target).pixel(4, 4)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("output is the source") << QStringLiteral("same");
        QTest::newRow("not a picture") << QStringLiteral("text");
        QTest::newRow("missing photo") << QStringLiteral("missing");
        QTest::newRow("over the pixel limit") << QStringLiteral("limit");
    }
    void failures()
    {
        QFETCH(QString, kind);
        QString source = writePhoto(QStringLiteral("photo.png"), uprightPhoto(QSize(40, 30)));
        RenderRequest r = request(ComposeMode::BatchOutput, source);
        if (kind == QLatin1String("same")) {
            r.output.OutputFolderOpts = OutputSettings::BesideSource;
            r.output.OutputFileNameOpts = OutputSettings::KeepBaseName;
            r.output.OutputFormat = OutputSettings::Png;
        } else if (kind == QLatin1String("text")) {
            r.sourcePath = photoFolder() + QStringLiteral("/notes.jpg");
            writeFile(r.sourcePath, "just some text, not a photo");
        } else if (kind == QLatin1String("missing")) {
            r.sourcePath = photoFolder() + QStringLiteral("/gone.jpg");
        } else if (kind == QLatin1String("limit")) {
            r.pixelLimit = 1000;
        }
        const QByteArray before = readFile(source);
        const auto filesBefore = m_data->snapshot();
        const WatermarkCompositor::Result result = WatermarkCompositor::render(r);
        QVERIFY(!result.outcome.ok());
        QVERIFY(!result.outcome.sentence().isEmpty());
        QCOMPARE(readFile(source), before);
        QCOMPARE(m_data->snapshot(), filesBefore);
    }

    // A truncated photo is not stamped: the batch output and the output preview both fail with
    // the reason and write nothing (no picture half grey).
    void truncatedJpeg_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("batch output") << int(ComposeMode::BatchOutput);
        QTest::newRow("output preview") << int(ComposeMode::PreviewFile);
    }
    void truncatedJpeg()
    {
        QFETCH(int, mode);
        const QString full = writePhoto(QStringLiteral("full.jpg"), uprightPhoto(QSize(200, 150)));
        const QByteArray data = readFile(full);
        const QString cut = photoFolder() + QStringLiteral("/cut.jpg");
        writeFile(cut, data.left(data.size() / 2));
        const QString preview = m_data->root() + QStringLiteral("/preview.png");
        const WatermarkCompositor::Result result =
            WatermarkCompositor::render(request(ComposeMode(mode), cut, preview));
        QVERIFY(!result.outcome.ok());
        QCOMPARE(result.outcome.sentence(), QStringLiteral("the photo is damaged: its data ends early"));
        QVERIFY(!QFileInfo::exists(preview));
        QVERIFY(QDir(m_data->root() + QStringLiteral("/out")).isEmpty());
    }

    void resizing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<int>("targetWidth");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("png") << QStringLiteral("a.png") << QSize(80, 120) << 40 << QSize(40, 60);
        QTest::newRow("jpeg reduced while decoding")
            << QStringLiteral("b.jpg") << QSize(800, 600) << 190 << QSize(190, 142);
        QTest::newRow("enlarged") << QStringLiteral("c.jpg") << QSize(100, 50) << 300 << QSize(300, 150);
    }
    void resizing()
    {
        QFETCH(QString, name);
        QFETCH(QSize, photo);
        QFETCH(int, targetWidth);
        QFETCH(QSize, expected);
        RenderRequest r = request(ComposeMode::BatchOutput, writePhoto(name, uprightPhoto(photo)));
        r.output.OutputFormat = OutputSettings::Png;
        r.resizePictures = true;
        r.resize.ScaleType = ResizeSettings::ScaleByWidth;
        r.resize.TargetWidth = targetWidth;
        const QImage out = renderedPicture(r);
        QCOMPARE(out.size(), expected);
        QVERIFY(isRed(out.pixel(4, 4)));
        // The frame line at the bottom survives the scaling.
        QVERIFY(qGray(out.pixel(expected.width() / 2, expected.height() - 2)) < 90);
    }

    // Within one render a layer file without an element keeps the layer before it's value;
    // a render never inherits anything from an earlier render.
    void layerValuesCarryOnlyWithinOneRender()
    {
        WatermarkConf first = plainTextLayer(QStringLiteral("A"));
        first.TextColor = colorRef(0, 0, 255);
        WatermarkConf second = plainTextLayer(QStringLiteral("B"));
        second.Location = 8;
        writeTemplate(QStringLiteral("Two"),
                      {{QStringLiteral("first"), first}, {QStringLiteral("second"), second}});
        writeTemplate(QStringLiteral("Alone"), {{QStringLiteral("second"), second}});
        // Take the colour out of the second layer's file.
        const QString file = m_data->templateFile(QStringLiteral("second"));
        QByteArray xml = TempDataFolder::read(file);
        const qsizetype start = xml.indexOf("<TextColor>");
        QVERIFY(start > 0);
        xml.remove(start, xml.indexOf('\n', start) - start + 1);
        QVERIFY(TempDataFolder::write(file, xml));

        const QString source = writePhoto(QStringLiteral("w.png"), QImage(300, 200, QImage::Format_RGB32));
        auto render = [&](const QString& tmpl) {
            QImage photo(300, 200, QImage::Format_RGB32);
            photo.fill(Qt::white);
            photo.save(source);
            RenderRequest r = request(ComposeMode::BatchOutput, source);
            r.templateName = tmpl;
            r.output.OutputFormat = OutputSettings::Png;
            const WatermarkCompositor::Result result = WatermarkCompositor::render(r);
            return QImage(result.outcome.outputPath);
        };
        const auto blue = [](QRgb p) { return qBlue(p) > 180 && qRed(p) < 80 && qGreen(p) < 80; };
        const QImage two = render(QStringLiteral("Two"));
        QVERIFY(!boxOf(two.copy(150, 100, 150, 100), blue).isEmpty());

        const QImage alone = render(QStringLiteral("Alone"));
        QVERIFY(boxOf(alone, blue).isEmpty());
        QVERIFY(!boxOf(alone.copy(150, 100, 150, 100), near(QColor(158, 51, 11), 50)).isEmpty());
        QCOMPARE(render(QStringLiteral("Alone")), alone);
    }

    // Renders on several threads at once give the same files as one after the other.
    void rendersRunSideBySide()
    {
        WatermarkConf text = plainTextLayer();
        text.BAddShadow = 1;
        text.BDrawEdge = 1;
        text.Rotation = 20;
        text.Location = 4;
        text.ScaleTextWT = 1;
        writeTemplate(kTemplate, {{QStringLiteral("text"), text},
                                  {QStringLiteral("marker"), pictureOnlyLayer(m_marker)}});
        QStringList sources;
        for (int i = 0; i < 4; ++i)
            sources << writePhoto(QStringLiteral("s%1.jpg").arg(i), uprightPhoto(QSize(300 + 40 * i, 200)));

        auto renderAll = [&](bool parallel) {
            QList<QByteArray> files(sources.size());
            std::vector<std::thread> threads;
            for (int i = 0; i < sources.size(); ++i) {
                auto job = [&, i]() {
                    const WatermarkCompositor::Result result =
                        WatermarkCompositor::render(request(ComposeMode::BatchOutput, sources[i]));
                    files[i] = result.outcome.ok() ? readFile(result.outcome.outputPath) : QByteArray();
                };
                if (parallel)
                    threads.emplace_back(job);
                else
                    job();
            }
            for (std::thread& t : threads)
                t.join();
            return files;
        };
        const QList<QByteArray> serial = renderAll(false);
        for (const QByteArray& file : serial)
            QVERIFY(!file.isEmpty());
        QCOMPARE(renderAll(true), serial);
    }

    void editorPreview()
    {
        RenderSettings settings;
        settings.templateName = kTemplate;
        QCOMPARE(ComposeWatermark(0, settings, QString()), -1);

        PreviewProbe probe;
        QCOMPARE(ComposeWatermark(0, settings, QString(), QString(), &probe), 0);
        QCOMPARE(probe.shown.size(), QSize(kSamplePictureWidth, kSamplePictureHeight));
        QVERIFY(isRed(probe.shown.pixel(8, 8)));
        QCOMPARE(probe.shown.pixel(400, 400), samplePicture().pixel(400, 400));
    }

    void batchWrapperWritesByTheOutputSettings()
    {
        RenderSettings settings;
        settings.templateName = kTemplate;
        settings.output.OutputFolderOpts = OutputSettings::BesideSource;
        settings.output.OutputFileNameOpts = OutputSettings::AddSuffix;
        settings.output.OutputFileNameSuffix = QStringLiteral("_done");
        settings.output.OutputFormat = OutputSettings::Png;
        const QString source = writePhoto(QStringLiteral("last.jpg"), uprightPhoto(QSize(50, 40)));
        const ComposeOutcome outcome = composeWatermarkOutcome(ComposeMode::BatchOutput, settings, source);
        QVERIFY2(outcome.ok(), qPrintable(outcome.sentence()));
        QCOMPARE(outcome.outputPath, photoFolder() + QStringLiteral("/last_done.png"));
        QCOMPARE(ComposeWatermark(2, settings, photoFolder() + QStringLiteral("/none.jpg")), 0);
    }
};

QTEST_MAIN(ComposeWatermarkTest)
#include "tst_ComposeWatermark.moc"
