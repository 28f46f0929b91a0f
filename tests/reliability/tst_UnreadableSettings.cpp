// Settings and template files that cannot be read, or that ask for something the settings
// window would refuse, fail every photo with a reason naming the file or the value: no output
// is written, nothing is reported as done, and no fallback value is used in their place.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "BatchFixture.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace {

bool replaceIn(const QString& path, const QByteArray& from, const QByteArray& to)
{
    QByteArray bytes = readFile(path);
    if (!bytes.contains(from))
        return false;
    return writeFile(path, bytes.replace(from, to));
}

} // namespace

class UnreadableSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void photosFailNamingTheFile_data();
    void photosFailNamingTheFile();
};

void UnreadableSettingsTest::photosFailNamingTheFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QSize>("photoSize");
    QTest::addColumn<QString>("reason");

    const QSize small(120, 80);
    QTest::newRow("template file garbage")
        << "template garbage" << small << "Demo 1.xml cannot be read: it is damaged";
    QTest::newRow("template file empty")
        << "template empty" << small << "Demo 1.xml cannot be read: it is empty";
    QTest::newRow("template list names a missing file first")
        << "list names missing" << small << "Gone.xml cannot be read: it does not exist";
    QTest::newRow("template list entry selected but empty")
        << "list entry empty" << small
        << "qthumb.xml cannot be used: its entry 1, the selected template, is empty";
    QTest::newRow("template list not XML")
        << "list not xml" << small << "qthumb.xml cannot be read: it is damaged";
    QTest::newRow("layer file missing")
        << "layer missing" << small << "Demo 1_Layer 1.xml cannot be read: it does not exist";
    QTest::newRow("layer file not XML")
        << "layer not xml" << small << "Demo 1_Layer 1.xml cannot be read: it is damaged";
    QTest::newRow("layer file with two roots")
        << "layer two roots" << small << "Demo 1_Layer 1.xml cannot be read: it is damaged";
    QTest::newRow("layer picture missing") << "picture missing" << small << "nowhere.png cannot be read";
    QTest::newRow("suffix leaving the folder") << "suffix escapes" << small << "suffix \"/../../escaped\"";
    QTest::newRow("suffix with an escape character")
        << "suffix escape character" << small << "suffix of the output settings contains a control character";
    QTest::newRow("relative output folder") << "relative folder" << small << "is not an absolute path";
    QTest::newRow("resize to no height") << "resize 1" << QSize(1000, 400) << "output size of 1 x 0";
    QTest::newRow("resize past 32 bits")
        << "resize huge" << QSize(100, 50) << "output size of 2000000000 x 1000000000";
    QTest::newRow("unknown scale type") << "scale type 9" << small << "unknown ScaleType 9";
    QTest::newRow("unknown scale type, lossless")
        << "scale type 9 lossless" << small << "unknown ScaleType 9";
    QTest::newRow("preference file cut off")
        << "preferences cut" << small << "preference.xml cannot be read: it is damaged";
}

void UnreadableSettingsTest::photosFailNamingTheFile()
{
    QFETCH(QString, damage);
    QFETCH(QSize, photoSize);
    QFETCH(QString, reason);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString out = root.filePath(QStringLiteral("out"));
    BatchFixture fixture;
    QVERIFY2(fixture.prepare(root.path(), out, 0), qPrintable(fixture.error()));
    const QString templates = fixture.dataFolder() + QStringLiteral("/templates");
    const QString layer = templates + QStringLiteral("/Demo 1_Layer 1.xml");
    const QString preferences = fixture.dataFolder() + QStringLiteral("/preference.xml");
    const QByteArray layerBytes = readFile(layer);

    if (damage == "template garbage") {
        QVERIFY(writeFile(templates + "/Demo 1.xml", "\x01\x02 garbage <<<"));
    } else if (damage == "template empty") {
        QVERIFY(writeFile(templates + "/Demo 1.xml", QByteArray()));
    } else if (damage == "list names missing") {
        QVERIFY(writeFile(templates + "/qthumb.xml",
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n"
                          "<template>Gone</template>\r\n<template>Demo 1</template>\r\n"
                          "</Templates>\r\n"));
    } else if (damage == "list entry empty") {
        QVERIFY(writeFile(templates + "/qthumb.xml",
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n"
                          "<template/>\r\n<template>Demo 1</template>\r\n</Templates>\r\n"));
    } else if (damage == "list not xml") {
        QVERIFY(writeFile(templates + "/qthumb.xml", "<Templates><template>Demo 1</template>"));
    } else if (damage == "layer missing") {
        QVERIFY(QFile::remove(layer));
    } else if (damage == "layer not xml") {
        QVERIFY(writeFile(layer, "just some text"));
    } else if (damage == "layer two roots") {
        QVERIFY(writeFile(layer, layerBytes + "<WatermarkConf></WatermarkConf>\r\n"));
    } else if (damage == "picture missing") {
        QVERIFY(replaceIn(layer, "<ImagePathName/>",
                          "<ImagePathName>" + root.filePath("nowhere.png").toUtf8() + "</ImagePathName>"));
    } else if (damage == "suffix escapes") {
        QVERIFY(replaceIn(preferences, "<OutputFileNameSuffix>_new", "<OutputFileNameSuffix>/../../escaped"));
    } else if (damage == "suffix escape character") {
        // XML cannot hold the character itself: the hand-edited file says it as a reference.
        QVERIFY(replaceIn(preferences, "<OutputFileNameSuffix>_new", "<OutputFileNameSuffix>_&#27;[31m"));
    } else if (damage == "relative folder") {
        QVERIFY(replaceIn(preferences, ("<OutputFolderPath>" + out).toUtf8(), "<OutputFolderPath>out"));
    } else if (damage == "resize 1" || damage == "resize huge") {
        const QByteArray width = damage == "resize 1" ? "1" : "2000000000";
        QVERIFY(writeFile(fixture.dataFolder() + "/resizing_config.ini",
                          "[常规]\r\nScaleType=1\r\nTargetWidth=" + width +
                              "\r\nTargetHeight=600\r\nResizeEveryTime=1\r\n"));
    } else if (damage.startsWith("scale type 9")) {
        QVERIFY(
            writeFile(fixture.dataFolder() + "/resizing_config.ini",
                      "[常规]\r\nScaleType=9\r\nTargetWidth=60\r\nTargetHeight=40\r\nResizeEveryTime=1\r\n"));
        if (damage.endsWith("lossless"))
            QVERIFY(writeFile(fixture.dataFolder() + "/config.ini", "[常规]\r\nLosslessJpeg=1\r\n"));
    } else if (damage == "preferences cut") {
        // The first 200 bytes still say "add a suffix": the run must not fall back to
        // keeping the name (which would replace the photo).
        const QByteArray whole = readFile(preferences);
        QVERIFY(whole.left(200).contains("<OutputFileNameOpts>1"));
        QVERIFY(writeFile(preferences, whole.left(200)));
    }

    const QString photos = root.filePath(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(photos));
    QImage image(photoSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString photo = photos + QStringLiteral("/white.jpg");
    QVERIFY(image.save(photo));
    const QMap<QString, QByteArray> photosBefore = treeHashes(photos);
    const QByteArray preferencesBefore = readFile(preferences);

    // With the desktop's selection (no --template), named explicitly, and answering in JSON.
    for (const QString& way : {QStringLiteral("selected"), QStringLiteral("named"), QStringLiteral("json")}) {
        const bool named = way == QLatin1String("named");
        // A template named on the command line is found without the list.
        if (named && damage.startsWith("list "))
            continue;
        QStringList arguments{photo};
        if (named)
            arguments = QStringList{QStringLiteral("--template"), QStringLiteral("Demo 1")} + arguments;
        if (way == QLatin1String("json"))
            arguments.prepend(QStringLiteral("--json"));
        const ChildProcess::Result result = fixture.batch(arguments).run(60);
        QVERIFY2(result.exitedNormally(), qPrintable(result.describe()));
        QCOMPARE(result.exitCode, 1);
        // Settings that stop the whole run are said once, before any photo.
        const bool wholeRun = damage == "preferences cut" || damage == "list entry empty" ||
                              damage == "list not xml" || (named && damage.startsWith("template"));
        const QStringList lines = result.errLines();
        if (way == QLatin1String("json")) {
            // One answer for the photo, naming the reason.
            const QList<QByteArray> answers = result.out.trimmed().split('\n');
            QCOMPARE(answers.size(), 1);
            const QJsonObject answer = QJsonDocument::fromJson(answers[0]).object();
            QCOMPARE(answer.value(QStringLiteral("source")).toString(), photo);
            QCOMPARE(answer.value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
            QVERIFY2(answer.value(QStringLiteral("reason")).toString().contains(reason),
                     answers[0].constData());
            QCOMPARE(lines.size(), wholeRun ? 1 : 0);
        } else {
            QVERIFY2(result.out.isEmpty(), result.out.constData());
            QCOMPARE(lines.size(), 1);
        }
        for (const QString& line : lines) {
            QVERIFY2(line.contains(reason), qPrintable(line));
            QVERIFY2(
                line.startsWith(wholeRun ? QStringLiteral("lumora-batch: ") : photo + QStringLiteral(": ")),
                qPrintable(line));
        }
        QVERIFY(!QFileInfo::exists(out));
        QCOMPARE(treeHashes(photos), photosBefore);
        QVERIFY(!QFileInfo::exists(root.filePath("escaped.jpg")));
        QVERIFY(!QFileInfo::exists(root.filePath("white_new.jpg")));
        // A damaged preference file is left for the person to see and to replace.
        QCOMPARE(readFile(preferences), preferencesBefore);
    }
}

QTEST_GUILESS_MAIN(UnreadableSettingsTest)
#include "tst_UnreadableSettings.moc"
