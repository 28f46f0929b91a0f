// The fields of text layers, filled from photos whose tags are written here with exiftool: every
// field with and without its tags, in every format that carries them, date formats, counters,
// braces, unknown names, and hostile tag values (megabytes long, control characters, invalid
// UTF-8, a damaged EXIF block).
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#include "render/BatchRunner.h"
#include "render/PhotoCanvas.h"
#include "render/RenderRequest.h"
#include "render/TextFieldValues.h"
#include "render/TextFields.h"
#include "support/ToolRun.h"

namespace {

bool exiftool(const QStringList& arguments, QString& problem)
{
    const ToolResult run = runTool(
        QStringLiteral("exiftool"),
        QStringList{QStringLiteral("-q"), QStringLiteral("-q"), QStringLiteral("-overwrite_original")} +
            arguments,
        120);
    if (!run.started) {
        problem = QStringLiteral("exiftool cannot be started (scripts/install-deps.sh installs it)");
        return false;
    }
    problem = run.errText();
    return run.succeeded();
}

#define EXIFTOOL(...)                                                                                        \
    do {                                                                                                     \
        QString problem_;                                                                                    \
        QVERIFY2(exiftool(QStringList{__VA_ARGS__}, problem_), qPrintable(problem_));                        \
    } while (false)

// The camera tags of the tagged photos.
const QStringList kCameraTags = {
    QStringLiteral("-EXIF:DateTimeOriginal=2023:07:14 09:05:33"),
    QStringLiteral("-EXIF:Make=NIKON CORPORATION"),
    QStringLiteral("-EXIF:Model=NIKON D750"),
    QStringLiteral("-EXIF:LensModel=24-70mm f/2.8"),
    QStringLiteral("-EXIF:ExposureTime=1/250"),
    QStringLiteral("-EXIF:FNumber=5.6"),
    QStringLiteral("-EXIF:ISO=200"),
    QStringLiteral("-EXIF:FocalLength=35"),
    QStringLiteral("-EXIF:Artist=Ann Example"),
    QStringLiteral("-EXIF:Copyright=© Ann Example"),
    QStringLiteral("-XMP-dc:Title=Harbour"),
};

// The modification time of the photos without a capture time.
const QDateTime kFileTime(QDate(2020, 1, 2), QTime(3, 4, 5));

// No control characters and no surrogate without its other half.
bool isClean(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.category() == QChar::Other_Control)
            return false;
        if (c.isHighSurrogate() && !(i + 1 < text.size() && text.at(i + 1).isLowSurrogate()))
            return false;
        if (c.isLowSurrogate() && !(i > 0 && text.at(i - 1).isHighSurrogate()))
            return false;
    }
    return true;
}

bool writeBytes(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool setModificationTime(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(kFileTime, QFileDevice::FileModificationTime);
}

} // namespace

class TextFieldsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString file(const QString& name) const { return m_dir.filePath(QStringLiteral("shots/") + name); }

    TextFieldValues valuesOf(const QString& name, int photoNumber)
    {
        PhotoCanvas photo;
        PhotoCanvas::Options options;
        options.keepMetadata = true;
        const Outcome loaded = PhotoCanvas::load(file(name), options, photo);
        if (!loaded)
            qWarning("%s", qPrintable(loaded.sentence()));
        return TextFieldValues::forPhoto(file(name), photo.embedded, photo.canvas.size(), photoNumber);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(file(QString())));
        QImage picture(QSize(120, 80), QImage::Format_RGB32);
        picture.fill(QColor(90, 140, 200));
        // The same tags in every format the decoders take them from.
        for (const char* format : {"jpg", "png", "tiff", "webp"}) {
            const QString path = file(QStringLiteral("tagged.") + QLatin1String(format));
            QVERIFY(picture.save(path));
            EXIFTOOL(kCameraTags + QStringList{path});
        }
        // The tags of the tagged photos with an XMP packet of its own namespace besides dc.
        QVERIFY(picture.save(file(QStringLiteral("custom.jpg"))));
        QVERIFY(
            writeBytes(file(QStringLiteral("custom.xmp")),
                       "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                       "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                       "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
                       "xmlns:own='http://example.org/own/1.0/'><own:Stamp>inside</own:Stamp>"
                       "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Harbour</rdf:li></rdf:Alt></dc:title>"
                       "</rdf:Description></rdf:RDF></x:xmpmeta>"));
        EXIFTOOL(QStringLiteral("-XMP<=") + file(QStringLiteral("custom.xmp")),
                 file(QStringLiteral("custom.jpg")));
        EXIFTOOL(kCameraTags.mid(0, kCameraTags.size() - 1) +
                 QStringList{file(QStringLiteral("custom.jpg"))});
        // XMP only: the fallbacks of the capture time, the artist and the copyright.
        QVERIFY(picture.save(file(QStringLiteral("xmp.jpg"))));
        EXIFTOOL(QStringLiteral("-XMP-dc:Creator=Xmp Artist"), QStringLiteral("-XMP-dc:Rights=Xmp Rights"),
                 QStringLiteral("-XMP-exif:DateTimeOriginal=2021:02:03 04:05:06"),
                 file(QStringLiteral("xmp.jpg")));
        // A camera whose model does not repeat the make.
        QVERIFY(picture.save(file(QStringLiteral("canon.jpg"))));
        EXIFTOOL(QStringLiteral("-EXIF:Make=Lumora"), QStringLiteral("-EXIF:Model=Plenum 7"),
                 QStringLiteral("-EXIF:ExposureTime=2"), file(QStringLiteral("canon.jpg")));
        // Shutter times below a second that are not 1/n of it, and ones that are.
        for (const char* time : {"0.8", "0.6", "0.3", "1/3", "0.0333"}) {
            const QString path =
                file(QStringLiteral("time %1.jpg")
                         .arg(QString::fromLatin1(time).replace(QLatin1Char('/'), QLatin1Char('_'))));
            QVERIFY(picture.save(path));
            EXIFTOOL(QStringLiteral("-EXIF:ExposureTime=") + QLatin1String(time), path);
        }
        // No tags at all, in a format with metadata and in one without.
        QVERIFY(picture.save(file(QStringLiteral("bare.jpg"))));
        QVERIFY(picture.save(file(QStringLiteral("bare.bmp"))));

        // Hostile values: control characters and invalid UTF-8 in the artist, a copyright that
        // fills the largest EXIF block a photo's metadata carries (60 KB of its 64 KiB), megabytes
        // in the XMP creator, a damaged EXIF block.
        QVERIFY(picture.save(file(QStringLiteral("hostile.png"))));
        const QString huge = file(QStringLiteral("huge.txt"));
        QVERIFY(writeBytes(huge, QByteArray(60000, 'x')));
        const QString hugeXmp = file(QStringLiteral("huge-xmp.txt"));
        QVERIFY(writeBytes(hugeXmp, QByteArray(3 << 20, 'x')));
        const QString artist = file(QStringLiteral("artist.txt"));
        QVERIFY(writeBytes(artist, QByteArray("a\tb\x01"
                                              "c\r\nd\xff"
                                              "e")));
        EXIFTOOL(QStringLiteral("-EXIF:Artist<=") + artist, QStringLiteral("-EXIF:Copyright<=") + huge,
                 QStringLiteral("-XMP-dc:Creator<=") + hugeXmp, file(QStringLiteral("hostile.png")));
        {
            // An APP1 Exif segment whose TIFF structure points everywhere.
            QByteArray exif("Exif\0\0MM\0*\0\0\0\x08\xff\xff", 16);
            for (int i = 0; i < 4000; ++i)
                exif.append(char(0x7f ^ (i * 37)));
            const QByteArray jpeg = [&]() {
                QByteArray data;
                QBuffer buffer(&data);
                picture.save(&buffer, "JPEG");
                return data;
            }();
            const int length = int(exif.size()) + 2;
            QVERIFY(writeBytes(file(QStringLiteral("damaged.jpg")),
                               jpeg.left(2) + "\xff\xe1" + char(length >> 8) + char(length & 0xff) + exif +
                                   jpeg.mid(2)));
        }
        // Direction controls in a tag and in the file name, which would turn the template's text.
        const QString turned = file(QStringLiteral("\u2067shot\u202E.jpg"));
        QVERIFY(picture.save(turned, "JPEG"));
        EXIFTOOL(QStringLiteral("-EXIF:Copyright=\u202EDLROW"),
                 QStringLiteral("-XMP-dc:Title=\u2066a\u200Fb\u2069"), turned);
        for (const char* name : {"bare.jpg", "bare.bmp", "canon.jpg", "damaged.jpg"})
            QVERIFY(setModificationTime(file(QLatin1String(name))));
    }

    void fields_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<int>("photoNumber");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        for (const char* format : {"jpg", "png", "tiff", "webp"}) {
            const QString photo = QStringLiteral("tagged.") + QLatin1String(format);
            const auto row = [&](const char* what) {
                return &QTest::newRow(qPrintable(photo + QLatin1Char(' ') + QLatin1String(what)));
            };
            *row("names") << photo << 1 << "{name}|{file}|{folder}"
                          << "tagged|" + photo + "|shots";
            *row("date") << photo << 1 << "{date} {time} {year}"
                         << "2023-07-14 09:05 2023";
            *row("date format") << photo << 1 << "{date:dd.MM.yy HH:mm:ss 'at' ddd}"
                                << "14.07.23 09:05:33 at Fri";
            *row("camera") << photo << 1 << "{camera}"
                           << "NIKON D750";
            *row("lens") << photo << 1 << "{lens}"
                         << "24-70mm f/2.8";
            *row("exposure") << photo << 1 << "{exposure}"
                             << "1/250 s f/5.6 ISO 200 35 mm";
            *row("author") << photo << 1 << "{artist}, {copyright}"
                           << "Ann Example, © Ann Example";
            *row("any tag") << photo << 1 << "{exif:Exif.Image.Make}/{exif:Image.Model}/{xmp:Xmp.dc.title}"
                            << "NIKON CORPORATION/NIKON D750/Harbour";
            *row("size") << photo << 1 << "{width}x{height}"
                         << "120x80";
        }
        QTest::newRow("xmp fallbacks")
            << QStringLiteral("xmp.jpg") << 1 << QStringLiteral("{artist}|{copyright}|{date} {time}")
            << QStringLiteral("Xmp Artist|Xmp Rights|2021-02-03 04:05");
        QTest::newRow("make not repeated")
            << QStringLiteral("canon.jpg") << 1 << QStringLiteral("{camera}|{exposure}")
            << QStringLiteral("Lumora Plenum 7|2 s");
        QTest::newRow("exposure 0.8 s")
            << QStringLiteral("time 0.8.jpg") << 1 << QStringLiteral("{exposure}") << QStringLiteral("0.8 s");
        QTest::newRow("exposure 0.6 s")
            << QStringLiteral("time 0.6.jpg") << 1 << QStringLiteral("{exposure}") << QStringLiteral("0.6 s");
        QTest::newRow("exposure 0.3 s")
            << QStringLiteral("time 0.3.jpg") << 1 << QStringLiteral("{exposure}") << QStringLiteral("0.3 s");
        QTest::newRow("exposure 1/3 s")
            << QStringLiteral("time 1_3.jpg") << 1 << QStringLiteral("{exposure}") << QStringLiteral("1/3 s");
        QTest::newRow("exposure 1/30 s stored 0.0333")
            << QStringLiteral("time 0.0333.jpg") << 1 << QStringLiteral("{exposure}")
            << QStringLiteral("1/30 s");
        QTest::newRow("no tags")
            << QStringLiteral("bare.jpg") << 1
            << QStringLiteral("[{camera}{lens}{exposure}{artist}{copyright}{exif:Image.Make}{xmp:dc.title}]")
            << QStringLiteral("[]");
        QTest::newRow("file time") << QStringLiteral("bare.jpg") << 1 << QStringLiteral("{date} {time}")
                                   << QStringLiteral("2020-01-02 03:04");
        QTest::newRow("file time, no metadata")
            << QStringLiteral("bare.bmp") << 1 << QStringLiteral("{name}.{year}")
            << QStringLiteral("bare.2020");
        QTest::newRow("unknown keys")
            << QStringLiteral("tagged.jpg") << 1
            << QStringLiteral("[{exif:Nope.Nothing}{xmp:nons.x}{exif:Image.Software}]")
            << QStringLiteral("[]");

        QTest::newRow("counter") << QStringLiteral("bare.jpg") << 12 << QStringLiteral("{counter}")
                                 << QStringLiteral("12");
        QTest::newRow("counter outside a run")
            << QStringLiteral("bare.jpg") << 0 << QStringLiteral("{counter}|{counter:5}")
            << QStringLiteral("1|5");
        QTest::newRow("counter start")
            << QStringLiteral("bare.jpg") << 3 << QStringLiteral("{counter:100}") << QStringLiteral("102");
        QTest::newRow("counter digits")
            << QStringLiteral("bare.jpg") << 7 << QStringLiteral("{counter:1:4}|{counter:0:1}")
            << QStringLiteral("0007|6");
        QTest::newRow("counter below zero")
            << QStringLiteral("bare.jpg") << 2 << QStringLiteral("{counter:-5:3}") << QStringLiteral("-004");
        QTest::newRow("counter not numbers")
            << QStringLiteral("bare.jpg") << 2 << QStringLiteral("{counter:x}{counter:1:99}{counter:1:2:3}")
            << QStringLiteral("{counter:x}{counter:1:99}{counter:1:2:3}");

        QTest::newRow("braces") << QStringLiteral("bare.jpg") << 1
                                << QStringLiteral("{{name}} }}{{ {{{name}}}")
                                << QStringLiteral("{name} }{ {bare}");
        QTest::newRow("lone braces") << QStringLiteral("bare.jpg") << 1
                                     << QStringLiteral("{ } {a{name} {name")
                                     << QStringLiteral("{ } {abare {name");
        QTest::newRow("unknown fields")
            << QStringLiteral("bare.jpg") << 1 << QStringLiteral("{nmae} {Name} {} {date2} {exif}")
            << QStringLiteral("{nmae} {Name} {} {date2} {exif}");
        QTest::newRow("no fields") << QStringLiteral("bare.jpg") << 1 << QStringLiteral("© 2024 水印")
                                   << QStringLiteral("© 2024 水印");

        QTest::newRow("control characters, invalid UTF-8")
            << QStringLiteral("hostile.png") << 1 << QStringLiteral("<{artist}>")
            << QStringLiteral("<abcd\uFFFDe>");
        QTest::newRow("direction controls") << QStringLiteral("\u2067shot\u202E.jpg") << 1
                                            << QStringLiteral("{copyright} (c) Studio|{name}|{xmp:dc.title}")
                                            << QStringLiteral("DLROW (c) Studio|shot|ab");
        QTest::newRow("megabytes") << "hostile.png" << 1 << "{copyright}" << QString(256, QLatin1Char('x'));
        QTest::newRow("megabytes in XMP")
            << QStringLiteral("hostile.png") << 1 << QStringLiteral("{xmp:dc.creator}")
            << QString(256, QLatin1Char('x'));
        QTest::newRow("whole text") << "hostile.png" << 1 << QStringLiteral("{copyright}").repeated(20)
                                    << QString(2048, QLatin1Char('x'));
        QTest::newRow("damaged EXIF")
            << QStringLiteral("damaged.jpg") << 1 << QStringLiteral("[{camera}{exif:Image.Make}]{date}")
            << QStringLiteral("[]2020-01-02");
    }

    void fields()
    {
        QFETCH(QString, photo);
        QFETCH(int, photoNumber);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TextFields::fill(text, valuesOf(photo, photoNumber)), expected);
    }

    // EXIF and XMP blocks damaged at random (bytes changed, cut short): every field still
    // fills within its bounds and without control characters.
    void damagedBlocks()
    {
        PhotoCanvas photo;
        PhotoCanvas::Options options;
        options.keepMetadata = true;
        QVERIFY(PhotoCanvas::load(file(QStringLiteral("tagged.jpg")), options, photo));
        QVERIFY(!photo.embedded.exif.isEmpty());
        QVERIFY(!photo.embedded.xmp.isEmpty());
        const QString everything =
            QStringLiteral("{camera}{lens}{exposure}{artist}{copyright}{date:yyyy MMMM}"
                           "{exif:Exif.Image.Make}{exif:Exif.Photo.MakerNote}{xmp:dc.title}");
        QRandomGenerator random(20261208);
        for (int round = 0; round < 400; ++round) {
            PhotoMetadata damaged = photo.embedded;
            QByteArray& block = round % 2 ? damaged.exif : damaged.xmp;
            for (int i = 0, n = random.bounded(1, 12); i < n; ++i)
                block[random.bounded(int(block.size()))] = char(random.bounded(256));
            if (round % 5 == 0)
                block.truncate(random.bounded(int(block.size())));
            const QString filled =
                TextFields::fill(everything, TextFieldValues::forPhoto(file(QStringLiteral("tagged.jpg")),
                                                                       damaged, QSize(120, 80), 1));
            QVERIFY(filled.size() <= 9 * TextFields::kMaxFieldUnits);
            QVERIFY2(isClean(filled), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(filled)));
        }
    }

    // Tags are read on several workers at once (--jobs): every worker gets the values one
    // worker alone gets, XMP with namespaces of its own included.
    void sameValuesOnManyThreads()
    {
        const QString text =
            QStringLiteral("{camera}|{artist}|{copyright}|{xmp:dc.title}|{xmp:Xmp.own.Stamp}");
        QString expected;
        {
            expected = TextFields::fill(text, valuesOf(QStringLiteral("custom.jpg"), 1));
            QCOMPARE(expected, QStringLiteral("NIKON D750|Ann Example|© Ann Example|Harbour|inside"));
        }
        PhotoCanvas photo;
        PhotoCanvas::Options options;
        options.keepMetadata = true;
        QVERIFY(PhotoCanvas::load(file(QStringLiteral("custom.jpg")), options, photo));
        std::vector<std::thread> workers;
        std::atomic<int> wrong{0};
        for (int t = 0; t < 8; ++t) {
            workers.emplace_back([&]() {
                for (int i = 0; i < 40; ++i) {
                    const TextFieldValues values = TextFieldValues::forPhoto(
                        file(QStringLiteral("custom.jpg")), photo.embedded, QSize(120, 80), 1);
                    if (TextFields::fill(text, values) != expected)
                        ++wrong;
                }
            });
        }
        for (std::thread& worker : workers)
            worker.join();
        QCOMPARE(wrong.load(), 0);
    }

    // The editor's preview and the sample picture: the sample's names, today's date, the
    // program's name as the camera.
    void sampleValues()
    {
        const TextFieldValues sample = TextFieldValues::sample(QSize(677, 625));
        QCOMPARE(TextFields::fill(QStringLiteral("{name} {camera} {width}x{height} {counter:1:3}"), sample),
                 QStringLiteral("sample Lumora Plenum 677x625 001"));
        QCOMPARE(TextFields::fill(QStringLiteral("{date}"), sample),
                 QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    }

    // A run's renders are handed the photo's place in the list, its tag + 1, on whichever
    // worker they run; requests outside a run carry 0.
    void photoNumbersOfARun_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("1 thread") << 1;
        QTest::newRow("3 threads") << 3;
    }

    void photoNumbersOfARun()
    {
        QFETCH(int, threads);
        QStringList paths;
        for (int i = 0; i < 12; ++i)
            paths << file(QStringLiteral("p%1.jpg").arg(i));
        QMutex lock;
        QMap<QString, int> numbers;
        OutputSettings output;
        output.OutputFileNameOpts = OutputSettings::AddSuffix;
        output.OutputFileNameSuffix = QStringLiteral("_new");
        const RenderRequest base =
            RenderRequest::fromSettings(RenderSettings(), ComposeMode::BatchOutput, QString(), QString());
        BatchRunner runner(output, paths, [&](const BatchRunner::Task& task) {
            const QString path = task.photo.path;
            const int number = base.forPhoto(path, task.number, task.plannedOutput).photoNumber;
            QThread::msleep(number % 3); // finishing out of order
            QMutexLocker locked(&lock);
            numbers.insert(path, number);
            return ComposeOutcome();
        });
        // The list walked from its third row, as the desktop's walk does after a click.
        int row = 2;
        runner.run(
            threads,
            [&]() -> std::optional<BatchRunner::Photo> {
                if (row >= paths.size())
                    return std::nullopt;
                const int taken = row++;
                return BatchRunner::Photo{paths.at(taken), taken};
            },
            [](const BatchRunner::Photo&, const ComposeOutcome&) {});
        QCOMPARE(numbers.size(), 10);
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
            QCOMPARE(it.value(), int(paths.indexOf(it.key())) + 1);
        QCOMPARE(RenderRequest::fromSettings(RenderSettings(), ComposeMode::PreviewFile, paths[0], QString())
                     .photoNumber,
                 0);
    }

    // Cleaning keeps surrogate pairs whole and never ends inside one.
    void cleaning_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString pair = QStringLiteral("\U0001F4F7");
        QTest::newRow("pairs kept") << "a" + pair + "\tb"
                                    << "a" + pair + "b";
        QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + "a" + QChar(0xDC00) << "a";
        QTest::newRow("separators") << QStringLiteral("a\u2028b\u2029c\u0085d") << "abcd";
        QTest::newRow("cut before a pair")
            << QString(255, QLatin1Char('y')) + pair << QString(255, QLatin1Char('y'));
        QTest::newRow("direction controls")
            << QStringLiteral(
                   "\u202EDLROW\u202C \u2066x\u2069\u200E\u200F\u202A\u202B\u202D\u2067\u2068\u061C")
            << QStringLiteral("DLROW x");
        QTest::newRow("format characters")
            << QStringLiteral("\u00ADa\uFEFF\u2060b\u206A\u0600\U000110BD") << "ab";
        QTest::newRow("joiners inside kept, tag letters kept")
            << QStringLiteral(
                   "\u200Da\u200Db\u200C \U0001F468\u200D\U0001F469 \U0001F3F4\U000E0067\U000E007F\u200D")
            << QStringLiteral("a\u200Db\u200C \U0001F468\u200D\U0001F469 \U0001F3F4\U000E0067\U000E007F");
        QTest::newRow("cut at the limit") << QString(300, QLatin1Char('z')) << QString(256, QLatin1Char('z'));
    }

    void cleaning()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(TextFields::clean(value), expected);
    }
};

QTEST_GUILESS_MAIN(TextFieldsTest)
#include "tst_TextFields.moc"
