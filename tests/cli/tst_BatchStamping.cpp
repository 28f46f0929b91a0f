#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include "support/BatchProgram.h"
#include "support/FirstStartFiles.h"
#include "support/IsolatedHome.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace {

struct Run
{
    int exitCode = -1;
    QStringList out; // lines
    QStringList err;
};

QByteArray preferences(int folderOption, const QString& folder, int nameOption, int format)
{
    return FirstStartFiles::preferenceFile(QString::number(folderOption), folder, QString::number(nameOption),
                                           QStringLiteral("_new"), QString::number(format));
}

// A photo with some structure, different for each seed.
QImage photo(const QSize& size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 67) % 360, 120, 220));
    QPainter painter(&image);
    painter.setBrush(QColor::fromHsv((seed * 131) % 360, 200, 120));
    painter.drawEllipse(QRect(size.width() / 4, size.height() / 4, size.width() / 2, size.height() / 2));
    return image;
}

// The frame header of a JPEG file: its marker (0xC0 baseline, 0xC2 progressive) and its first
// component's sampling factors (0xHV); -1, -1 when there is none.
QPair<int, int> jpegFrame(const QByteArray& jpeg)
{
    for (qsizetype at = 2; at + 4 <= jpeg.size();) {
        const int marker = uchar(jpeg[at + 1]);
        const int length = uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]);
        if (uchar(jpeg[at]) != 0xFF || marker == 0xDA)
            break;
        if ((marker == 0xC0 || marker == 0xC2) && at + 12 <= jpeg.size())
            return {marker, uchar(jpeg[at + 11])};
        at += 2 + length;
    }
    return {-1, -1};
}

} // namespace

class BatchStampingTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_data;

    Run run(const QStringList& arguments, const QString& maxPixels = QString())
    {
        QProcessEnvironment env = isolatedEnvironment(m_dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("LUMORA_MAX_PIXELS"));
        if (!maxPixels.isEmpty())
            env.insert(QStringLiteral("LUMORA_MAX_PIXELS"), maxPixels);
        const BatchRun batch = runBatch(QStringList{QStringLiteral("--data-dir"), m_data} + arguments, env);
        return {batch.exitCode, batch.outLines(), batch.errLines()};
    }

    QString savePhoto(const QString& relative, const QSize& size, int seed)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        photo(size, seed).save(path, "JPEG", 95);
        return path;
    }

    void setPreferences(const QByteArray& xml)
    {
        QVERIFY(writeFileMakingFolder(m_data + QStringLiteral("/preference.xml"), xml));
    }

    // A template of one text layer made from the demonstration layer: `text`, auto-scaled and
    // centred as the demonstration draws it, with fields on or off.
    bool addTextTemplate(const QString& name, const QString& text, bool fields)
    {
        const QString templates = m_data + QStringLiteral("/templates/");
        QByteArray layer = readFile(templates + QStringLiteral("Demo 1_Layer 1.xml"));
        const QByteArray demoText = "<textContent>Lumora Plenum</textContent>";
        const QByteArray scale = "<ScaleTextWT>1</ScaleTextWT>\r\n";
        if (!layer.contains(demoText) || !layer.contains(scale))
            return false;
        layer.replace(demoText, "<textContent>" + text.toHtmlEscaped().toUtf8() + "</textContent>");
        if (fields)
            layer.replace(scale, scale + "<BTextTokens>1</BTextTokens>\r\n");
        return writeFile(templates + name + QStringLiteral("_L.xml"), layer) &&
               writeFile(templates + name + QStringLiteral(".xml"),
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>" + name.toUtf8() +
                             "_L</layer>\r\n</Layers>\r\n");
    }

private slots:
    void init()
    {
        static int count = 0;
        m_data = m_dir.filePath(QStringLiteral("data%1").arg(++count));
        QCOMPARE(run({QStringLiteral("--list-templates")}).exitCode, 0);
    }

    // One line per photo in input order: the path written, or "PHOTO: reason" for a photo
    // that failed; exit 1 when any failed.
    void linesInOrderAndExitStatus()
    {
        const QString a = savePhoto(QStringLiteral("in/a.jpg"), QSize(320, 200), 1);
        const QString b = savePhoto(QStringLiteral("in/b.jpg"), QSize(200, 320), 2);
        const QString missing = m_dir.filePath(QStringLiteral("in/missing.jpg"));
        const Run all = run({a, b});
        QCOMPARE(all.exitCode, 0);
        QCOMPARE(all.out, (QStringList{m_dir.filePath(QStringLiteral("in/a_new.jpg")),
                                       m_dir.filePath(QStringLiteral("in/b_new.jpg"))}));
        QVERIFY(all.err.isEmpty());

        const Run some = run({b, missing, a});
        QCOMPARE(some.exitCode, 1);
        QCOMPARE(some.out.size(), 2);
        QCOMPARE(some.err.size(), 1);
        QVERIFY(some.err.constFirst().startsWith(missing + QStringLiteral(": ")));
        QVERIFY(some.err.constFirst().size() > missing.size() + 2);
    }

    // The files written are the same whatever the number of threads, also when two photos
    // share an output name (the later one is refused) or one photo's output is another's
    // source (the photo whose output it is is refused, so the source is never replaced).
    void sameFilesWhateverTheThreads()
    {
        setPreferences(preferences(1, m_dir.filePath(QStringLiteral("out")), 1, 1));
        QStringList photos;
        for (int i = 0; i < 5; ++i)
            photos << savePhoto(QStringLiteral("set/p%1.jpg").arg(i), QSize(300 + 20 * i, 220), i);
        photos << savePhoto(QStringLiteral("other/p1.jpg"), QSize(250, 250), 9); // same output as p1
        // A later photo reads p2's output as its source.
        photos << m_dir.filePath(QStringLiteral("out/p2_new.png"));

        auto stampAll = [&](const QString& jobs) {
            QDir(m_dir.filePath(QStringLiteral("out"))).removeRecursively();
            const Run result = run(QStringList{QStringLiteral("--jobs"), jobs} + photos);
            QMap<QString, QByteArray> files;
            const QDir out(m_dir.filePath(QStringLiteral("out")));
            for (const QString& name : out.entryList(QDir::Files))
                files.insert(
                    name, QCryptographicHash::hash(readFile(out.filePath(name)), QCryptographicHash::Sha1));
            return qMakePair(result, files);
        };
        const auto serial = stampAll(QStringLiteral("1"));
        QCOMPARE(serial.first.exitCode, 1);
        QCOMPARE(serial.second.keys(), (QStringList{"p0_new.png", "p1_new.png", "p3_new.png", "p4_new.png"}));
        QCOMPARE(serial.first.err.size(), 3);
        QVERIFY(serial.first.err[0].startsWith(photos[2] + ": the output "));
        QVERIFY(serial.first.err[0].contains(photos[6] + ", another photo of this run"));
        QVERIFY(serial.first.err[1].startsWith(photos[5] + ": the output "));
        QVERIFY(serial.first.err[1].contains("is also the output of " + photos[1] + ", earlier in the list"));
        QVERIFY(serial.first.err[2].startsWith(photos[6] + ": file not found"));
        for (int round = 0; round < 3; ++round) {
            const auto parallel = stampAll(QStringLiteral("4"));
            QCOMPARE(parallel.first.out, serial.first.out);
            QCOMPARE(parallel.first.err, serial.first.err);
            QCOMPARE(parallel.second, serial.second);
        }
    }

    void outputOverTheSourceIsRefused()
    {
        setPreferences(preferences(0, QString(), 0, 1));
        const QString source = m_dir.filePath(QStringLiteral("same/photo.png"));
        QDir().mkpath(QFileInfo(source).path());
        photo(QSize(120, 90), 3).save(source);
        const QByteArray before = readFile(source);
        const Run result = run({source});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.size(), 1);
        QVERIFY(result.err.constFirst().startsWith(source + QStringLiteral(": ")));
        QCOMPARE(readFile(source), before);
    }

    void resizeOptionAppliesTheResizeSettings()
    {
        setPreferences(preferences(1, m_dir.filePath(QStringLiteral("sized")), 1, 1));
        QVERIFY(writeFileMakingFolder(
            m_data + QStringLiteral("/resizing_config.ini"),
            "[常规]\r\nScaleType=1\r\nTargetWidth=100\r\nTargetHeight=600\r\nResizeEveryTime=0\r\n"));
        const QString source = savePhoto(QStringLiteral("big/wide.jpg"), QSize(400, 240), 4);
        const Run plain = run({source});
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(QImage(plain.out.constFirst()).size(), QSize(400, 240));
        const Run resized = run({QStringLiteral("--resize"), source});
        QCOMPARE(resized.exitCode, 0);
        QCOMPARE(QImage(resized.out.constFirst()).size(), QSize(100, 60));
    }

    // --lossless, or the choice stored in config.ini, keeps the photo's pixels outside the
    // watermark exactly; without either the photo is encoded in full at quality 98.
    void losslessKeepsThePixelsOutsideTheWatermark_data()
    {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("kept");
        QTest::newRow("default") << false << QByteArray() << false;
        QTest::newRow("--lossless") << true << QByteArray() << true;
        QTest::newRow("config.ini") << false << QByteArray("[\xe5\xb8\xb8\xe8\xa7\x84]\r\nLosslessJpeg=1\r\n")
                                    << true;
    }

    void losslessKeepsThePixelsOutsideTheWatermark()
    {
        QFETCH(bool, option);
        QFETCH(QByteArray, config);
        QFETCH(bool, kept);
        setPreferences(preferences(1, m_dir.filePath(QStringLiteral("kept")), 1, 0));
        QFile::remove(m_data + QStringLiteral("/config.ini"));
        if (!config.isEmpty())
            QVERIFY(writeFileMakingFolder(m_data + QStringLiteral("/config.ini"), config));
        // Detail everywhere, which encoding in full would not keep to the last bit.
        QImage detailed(480, 320, QImage::Format_RGB32);
        for (int y = 0; y < detailed.height(); ++y) {
            for (int x = 0; x < detailed.width(); ++x)
                detailed.setPixel(x, y, qRgb((x * 7) % 256, (x * 3 ^ y * 5) & 0xFF, (x + 2 * y) % 256));
        }
        const QString source = m_dir.filePath(QStringLiteral("lossless/shot.jpg"));
        QDir().mkpath(QFileInfo(source).path());
        QVERIFY(detailed.save(source, "JPEG", 90));
        QStringList arguments{source};
        if (option)
            arguments.prepend(QStringLiteral("--lossless"));
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, 0);
        // The bottom-left corner lies away from the demonstration watermark.
        const QRect corner(0, 304, 16, 16);
        const QImage before = QImage(source).copy(corner);
        const QImage after = QImage(result.out.constFirst()).copy(corner);
        QVERIFY(!after.isNull());
        QCOMPARE(after == before, kept);
    }

    // The output quality reaches the file: by default a JPEG photo keeps its own chroma sampling
    // at quality 98; config.ini's choices, and --quality and --sampling over them for the run.
    // A lossless WebP choice writes lossless WebP (a VP8L bitstream).
    void qualityChoicesReachTheFile_data()
    {
        QTest::addColumn<QString>("sampling");    // the photo's, for ImageMagick; empty: a PNG photo
        QTest::addColumn<QStringList>("options"); // of the run
        QTest::addColumn<QByteArray>("config");   // lines of config.ini's section
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("frame");   // JPEG: 0xC0 or 0xC2; WebP: 1 lossless, 0 lossy
        QTest::addColumn<int>("factors"); // JPEG: the luma's sampling factors
        QTest::addColumn<int>("quality"); // JPEG: as ImageMagick reads it
        QTest::newRow("4:2:0 photo, defaults")
            << QStringLiteral("2x2") << QStringList() << QByteArray() << 0 << 0xC0 << 0x22 << 98;
        QTest::newRow("4:4:4 photo stays 4:4:4")
            << QStringLiteral("1x1") << QStringList() << QByteArray() << 0 << 0xC0 << 0x11 << 98;
        QTest::newRow("4:2:2 photo stays 4:2:2")
            << QStringLiteral("2x1") << QStringList() << QByteArray() << 0 << 0xC0 << 0x21 << 98;
        QTest::newRow("4:4:4 photo, --sampling 420")
            << QStringLiteral("1x1") << QStringList{QStringLiteral("--sampling"), QStringLiteral("420")}
            << QByteArray() << 0 << 0xC0 << 0x22 << 98;
        QTest::newRow("PNG photo, --sampling 444 --quality 80")
            << QString() << QStringList{QStringLiteral("--sampling=444"), QStringLiteral("--quality=80")}
            << QByteArray() << 0 << 0xC0 << 0x11 << 80;
        const QByteArray stored =
            "OutputJpegQuality=85\r\nOutputJpegSampling=2\r\nOutputJpegProgressive=1\r\n";
        QTest::newRow("config.ini: quality 85, 4:4:4, progressive")
            << QStringLiteral("2x2") << QStringList() << stored << 0 << 0xC2 << 0x11 << 85;
        QTest::newRow("--quality over config.ini")
            << QStringLiteral("2x2") << QStringList{QStringLiteral("--quality"), QStringLiteral("70")}
            << stored << 0 << 0xC2 << 0x11 << 70;
        QTest::newRow("quality out of range in config.ini reads as 98")
            << QStringLiteral("2x2") << QStringList() << QByteArray("OutputJpegQuality=101\r\n") << 0 << 0xC0
            << 0x22 << 98;
        QTest::newRow("WebP, default lossy") << "2x2" << QStringList() << QByteArray() << 4 << 0 << 0 << 0;
        QTest::newRow("WebP, lossless chosen") << QStringLiteral("2x2") << QStringList()
                                               << QByteArray("OutputWebpLossless=1\r\n") << 4 << 1 << 0 << 0;
        // WebP: quality > 0 compares the file with the default quality's.
        QTest::newRow("WebP, --quality 20")
            << QStringLiteral("2x2") << QStringList{QStringLiteral("--quality=20")} << QByteArray() << 4 << 0
            << 0 << 20;
    }

    void qualityChoicesReachTheFile()
    {
        QFETCH(QString, sampling);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, config);
        QFETCH(int, format);
        QFETCH(int, frame);
        QFETCH(int, factors);
        QFETCH(int, quality);
        setPreferences(preferences(1, m_dir.filePath(QStringLiteral("quality")), 1, format));
        QFile::remove(m_data + QStringLiteral("/config.ini"));
        if (!config.isEmpty())
            QVERIFY(writeFileMakingFolder(m_data + QStringLiteral("/config.ini"),
                                          QByteArray("[\xe5\xb8\xb8\xe8\xa7\x84]\r\n") + config));
        const QString plain = m_dir.filePath(QStringLiteral("quality-in/shot.png"));
        QDir().mkpath(QFileInfo(plain).path());
        QVERIFY(photo(QSize(320, 200), 7).save(plain));
        QString source = plain;
        if (!sampling.isEmpty()) {
            source = m_dir.filePath(QStringLiteral("quality-in/shot.jpg"));
            const ToolResult made = runTool(QStringLiteral("convert"),
                                            {plain, QStringLiteral("-sampling-factor"), sampling,
                                             QStringLiteral("-quality"), QStringLiteral("92"), source},
                                            60);
            QVERIFY2(made.succeeded(), qPrintable(made.describe()));
        }
        const Run result = run(options + QStringList{source});
        QCOMPARE(result.exitCode, 0);
        const QByteArray written = readFile(result.out.constFirst());
        if (format == 4) {
            QVERIFY(written.startsWith("RIFF"));
            QCOMPARE(int(written.contains("VP8L")), frame);
            if (quality > 0) {
                const Run standard = run(QStringList{source});
                QCOMPARE(standard.exitCode, 0);
                const qint64 standardSize = readFile(standard.out.constFirst()).size();
                QVERIFY2(written.size() * 2 < standardSize, qPrintable(QString::number(written.size())));
            }
            return;
        }
        QCOMPARE(jpegFrame(written), qMakePair(frame, factors));
        const ToolResult identify =
            runTool(QStringLiteral("identify"),
                    {QStringLiteral("-format"), QStringLiteral("%Q"), result.out.constFirst()}, 60);
        QVERIFY2(identify.succeeded(), qPrintable(identify.describe()));
        QCOMPARE(identify.out.trimmed().toInt(), quality);
    }

    // A photo over the pixel limit fails with a reason; the limit can be set.
    void pixelLimit()
    {
        const QString source = savePhoto(QStringLiteral("limit/shot.jpg"), QSize(120, 100), 6);
        const Run refused = run({source}, QStringLiteral("10000"));
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err.size(), 1);
        QVERIFY(refused.err.constFirst().contains(QStringLiteral("limit")));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("limit/shot_new.jpg"))));
        QCOMPARE(run({source}, QStringLiteral("12000")).exitCode, 0);
    }

    void previewAndSample()
    {
        const QString source = savePhoto(QStringLiteral("pv/shot.jpg"), QSize(300, 200), 5);
        const QString target = m_dir.filePath(QStringLiteral("pv/preview.jpg"));
        const Run preview = run({QStringLiteral("--preview"), source, target});
        QCOMPARE(preview.exitCode, 0);
        QCOMPARE(preview.out, QStringList{target});
        QVERIFY(readFile(target).startsWith("\x89PNG"));

        const QString sample = m_dir.filePath(QStringLiteral("pv/sample.png"));
        const Run drawn =
            run({QStringLiteral("--template"), QStringLiteral("Demo 1"), QStringLiteral("--sample"), sample});
        QCOMPARE(drawn.exitCode, 0);
        QCOMPARE(QImage(sample).size(), QSize(677, 625));

        const Run unknown = run({QStringLiteral("--template"), QStringLiteral("Nope"), source});
        QCOMPARE(unknown.exitCode, 1);
        QVERIFY(unknown.out.isEmpty());
        QVERIFY(!unknown.err.isEmpty());
    }

    // A text layer with fields draws exactly what the same layer with the filled text written
    // out draws, auto-scaled and placed by the filled text: stamping (counters by the photo's
    // place in the list whatever the number of jobs), previews (the photo's values) and the
    // sample picture (sample values).
    void fieldsDrawTheFilledText_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("jobs");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("photos");
        QTest::addColumn<QStringList>("filled"); // per photo
        const QStringList five = {"p0.png", "p1.png", "p2.png", "p3.png", "p4.png"};
        const QStringList numbers = {"No. 007 of p0", "No. 008 of p1", "No. 009 of p2", "No. 010 of p3",
                                     "No. 011 of p4"};
        QTest::newRow("name") << QStringLiteral("stamp") << QStringLiteral("1") << QStringLiteral("{name}")
                              << QStringList{"alpha.png"} << QStringList{"alpha"};
        QTest::newRow("counter, 1 job") << QStringLiteral("stamp") << QStringLiteral("1")
                                        << QStringLiteral("No. {counter:7:3} of {name}") << five << numbers;
        QTest::newRow("counter, 2 jobs") << QStringLiteral("stamp") << QStringLiteral("2")
                                         << QStringLiteral("No. {counter:7:3} of {name}") << five << numbers;
        QTest::newRow("preview") << QStringLiteral("preview") << QStringLiteral("1")
                                 << QStringLiteral("{file} {width}x{height} #{counter}")
                                 << QStringList{"alpha.png"} << QStringList{"alpha.png 240x160 #1"};
        QTest::newRow("preview of tags")
            << QStringLiteral("preview") << QStringLiteral("1") << QStringLiteral("{camera} {date:yyyy}")
            << QStringList{"tagged.png"} << QStringList{"Lumora X1 2019"};
        QTest::newRow("tags, lossless JPEG")
            << QStringLiteral("lossless") << QStringLiteral("2") << QStringLiteral("{camera} {date:yyyy}")
            << QStringList{"tagged.jpg"} << QStringList{"Lumora X1 2019"};
        QTest::newRow("sample") << QStringLiteral("sample") << QStringLiteral("1")
                                << QStringLiteral("{name} {{{camera}}}") << QStringList{QString()}
                                << QStringList{"sample {Lumora Plenum}"};
        // --text replaces the text of a layer without fields, and its fields are filled; the
        // template is given as a file (-j 0: one job per core).
        QTest::newRow("--text with a field, --template-file, -j 0")
            << QStringLiteral("text") << QStringLiteral("0") << QStringLiteral("{name} #{counter:3}")
            << QStringList{"alpha.png", "beta.png"} << QStringList{"alpha #3", "beta #4"};
    }

    void fieldsDrawTheFilledText()
    {
        QFETCH(QString, mode);
        QFETCH(QString, jobs);
        QFETCH(QString, text);
        QFETCH(QStringList, photos);
        QFETCH(QStringList, filled);
        const QString in = m_dir.filePath(QStringLiteral("fields-%1/").arg(QTest::currentDataTag()));
        QStringList paths;
        for (int i = 0; i < photos.size(); ++i) {
            if (photos[i].isEmpty())
                continue;
            paths << in + photos[i];
            QDir().mkpath(in);
            QVERIFY(photo(QSize(240 + 20 * i, 160), i).save(paths.constLast()));
            if (photos[i].startsWith(QLatin1String("tagged"))) {
                QProcess exiftool;
                exiftool.start(QStringLiteral("exiftool"),
                               {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                QStringLiteral("-EXIF:Make=Lumora"), QStringLiteral("-EXIF:Model=X1"),
                                QStringLiteral("-EXIF:DateTimeOriginal=2019:01:01 10:00:00"),
                                paths.constLast()});
                QVERIFY2(exiftool.waitForFinished(60000) && exiftool.exitCode() == 0,
                         "exiftool (scripts/install-deps.sh installs it) cannot tag the photo");
            }
        }
        // The template of the row and, per photo, one with its text written out. With --text
        // the template's own text has no fields and is replaced.
        const bool given = mode == QLatin1String("text");
        QVERIFY(addTextTemplate(QStringLiteral("Fields"), given ? QStringLiteral("own text") : text, !given));
        for (int i = 0; i < filled.size(); ++i)
            QVERIFY(addTextTemplate(QStringLiteral("Literal%1").arg(i), filled[i], false));

        // Renders with a template into `folder`; the pictures written, in photo order.
        const auto render = [&](const QString& tmpl, const QStringList& sources, const QString& folder) {
            QStringList arguments{QStringLiteral("--template"), tmpl};
            if (given && tmpl == QLatin1String("Fields"))
                arguments = QStringList{QStringLiteral("--text"), text, QStringLiteral("--template-file"),
                                        m_data + QStringLiteral("/templates/Fields.xml")};
            QStringList written;
            if (mode == QLatin1String("stamp") || mode == QLatin1String("lossless") || given) {
                // Lossless JPEG outputs take their own way through the compositor.
                const bool lossless = mode == QLatin1String("lossless");
                const QString format = lossless ? QStringLiteral("jpeg") : QStringLiteral("png");
                if (lossless)
                    arguments << QStringLiteral("--lossless");
                arguments << QStringLiteral("--jobs") << jobs << QStringLiteral("--format") << format
                          << QStringLiteral("--output-dir") << folder << sources;
                for (const QString& source : sources)
                    written << folder + QLatin1Char('/') + QFileInfo(source).completeBaseName() +
                                   (lossless ? QStringLiteral("_new.jpg") : QStringLiteral("_new.png"));
            } else if (mode == QLatin1String("preview")) {
                written << folder + QStringLiteral("/preview.png");
                arguments << QStringLiteral("--preview") << sources.constFirst() << written.constFirst();
            } else {
                written << folder + QStringLiteral("/sample.png");
                arguments << QStringLiteral("--sample") << written.constFirst();
            }
            QDir().mkpath(folder);
            const Run result = run(arguments);
            return result.exitCode == 0 ? written : QStringList{result.err.join(QLatin1Char('\n'))};
        };
        const QStringList withFields = render(QStringLiteral("Fields"), paths, in + QStringLiteral("fields"));
        QCOMPARE(withFields.size(), filled.size());
        for (int i = 0; i < filled.size(); ++i) {
            const QStringList one = paths.isEmpty() ? QStringList() : QStringList{paths[i]};
            const QStringList literal =
                render(QStringLiteral("Literal%1").arg(i), one, in + QStringLiteral("literal%1").arg(i));
            QCOMPARE(literal.size(), 1);
            const QImage expected(literal.constFirst());
            QVERIFY2(!expected.isNull(), qPrintable(literal.constFirst()));
            QVERIFY2(QImage(withFields[i]) == expected,
                     qPrintable(withFields[i] + " differs from " + filled[i]));
        }
    }
};

QTEST_GUILESS_MAIN(BatchStampingTest)
#include "tst_BatchStamping.moc"
