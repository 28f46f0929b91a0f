// A run never replaces one of its own photos and never writes one output twice: outputs are
// identified by their real file (device and inode, real folders), so links count, and the
// answers and the files written are the same whatever the number of jobs.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "BatchFixture.h"
#include "support/ChildProcess.h"

namespace {

bool replaceIn(const QString& path, const QByteArray& from, const QByteArray& to)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    file.close();
    if (!bytes.contains(from))
        return false;
    bytes.replace(from, to);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool savePhoto(const QString& path, const QColor& colour)
{
    QImage image(96, 64, QImage::Format_RGB32);
    image.fill(colour);
    return QDir().mkpath(QFileInfo(path).path()) && image.save(path);
}

} // namespace

class CollisionsAndIdentityTest : public QObject
{
    Q_OBJECT

private slots:
    void sameAnswersAndFilesWhateverTheJobs_data();
    void sameAnswersAndFilesWhateverTheJobs();
};

void CollisionsAndIdentityTest::sameAnswersAndFilesWhateverTheJobs_data()
{
    // Photos (relative to the test folder, "->" makes the first a link to the second), whether
    // the name is kept, and per photo the expected answer: a written output's name, or a
    // piece of the failure reason.
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<bool>("keepName");
    QTest::addColumn<QStringList>("photos");
    QTest::addColumn<QStringList>("answers");

    QTest::newRow("png and jpg with the name kept")
        << QStringList{"same/x.png", "same/x.jpg"} << true << QStringList{"same/x.png", "same/x.jpg"}
        << QStringList{"! another photo of this run", "! is the source photo itself"};
    QTest::newRow("linked folder: one output for two photos")
        << QStringList{"race/a.jpg", "race/a.png", "racelink->race"} << false
        << QStringList{"race/a.jpg", "racelink/a.png"}
        << QStringList{"race/a_new.jpg", "! is also the output of"};
    QTest::newRow("an output that is a later photo")
        << QStringList{"p/b.jpg", "p/b_new.jpg"} << false << QStringList{"p/b.jpg", "p/b_new.jpg"}
        << QStringList{"! another photo of this run", "p/b_new_new.jpg"};
    QTest::newRow("an output that is a later photo not yet written")
        << QStringList{"q/c.jpg"} << false << QStringList{"q/c.jpg", "q/c_new.jpg"}
        << QStringList{"! another photo of this run", "! file not found"};
    QTest::newRow("hard link of a photo as output")
        << QStringList{"h/d.jpg", "h/e.png", "h/d_new.jpg=>h/e.png"} << false
        << QStringList{"h/d.jpg", "h/e.png"} << QStringList{"! is the same file as", "h/e_new.jpg"};
}

void CollisionsAndIdentityTest::sameAnswersAndFilesWhateverTheJobs()
{
    QFETCH(QStringList, layout);
    QFETCH(bool, keepName);
    QFETCH(QStringList, photos);
    QFETCH(QStringList, answers);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    BatchFixture fixture;
    QVERIFY2(fixture.prepare(root.filePath("home-and-data"), root.filePath("unused"), 0),
             qPrintable(fixture.error()));
    const QString preferences = fixture.dataFolder() + QStringLiteral("/preference.xml");
    QVERIFY(replaceIn(preferences, "<OutputFolderOpts>1", "<OutputFolderOpts>0"));
    if (keepName)
        QVERIFY(replaceIn(preferences, "<OutputFileNameOpts>1", "<OutputFileNameOpts>0"));

    const QString work = root.filePath(QStringLiteral("work"));
    auto build = [&]() {
        QDir(work).removeRecursively();
        int shade = 0;
        for (const QString& entry : layout) {
            if (entry.contains("=>")) {
                const QStringList parts = entry.split("=>");
                QVERIFY(::link(QFile::encodeName(work + "/" + parts[1]).constData(),
                               QFile::encodeName(work + "/" + parts[0]).constData()) == 0);
            } else if (entry.contains("->")) {
                const QStringList parts = entry.split("->");
                QVERIFY(QFile::link(parts[1], work + "/" + parts[0]));
            } else {
                QVERIFY(savePhoto(work + "/" + entry, QColor::fromHsv((shade += 60) % 360, 200, 200)));
            }
        }
    };

    QStringList arguments;
    for (const QString& photo : photos)
        arguments.append(work + "/" + photo);

    QStringList firstOut, firstErr;
    QMap<QString, QByteArray> firstFiles;
    for (const QString jobs : {"1", "2", "2", "2"}) {
        build();
        const QMap<QString, QByteArray> photosBefore = treeHashes(work);
        const ChildProcess::Result result = fixture.batch(QStringList{"--jobs", jobs} + arguments).run(60);
        QVERIFY2(result.exitedNormally(), qPrintable(result.describe()));
        const QStringList out = result.outLines();
        const QStringList err = result.errLines();
        int written = 0, failed = 0;
        for (int i = 0; i < photos.size(); ++i) {
            if (answers[i].startsWith("! ")) {
                QVERIFY2(failed < err.size(), qPrintable(err.join('\n')));
                QVERIFY2(err[failed].startsWith(arguments[i] + ": "), qPrintable(err[failed]));
                QVERIFY2(err[failed].contains(answers[i].mid(2)), qPrintable(err[failed]));
                ++failed;
            } else {
                QVERIFY2(written < out.size(), qPrintable(err.join('\n')));
                QCOMPARE(QFileInfo(out[written]).canonicalFilePath(),
                         QFileInfo(work + "/" + answers[i]).canonicalFilePath());
                ++written;
            }
        }
        QCOMPARE(err.size(), failed);
        QCOMPARE(out.size(), written);
        QCOMPARE(result.exitCode, failed > 0 ? 1 : 0);
        // Every photo of the run keeps its bytes.
        const QMap<QString, QByteArray> after = treeHashes(work);
        for (auto it = photosBefore.cbegin(); it != photosBefore.cend(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
        if (firstFiles.isEmpty()) {
            firstOut = out;
            firstErr = err;
            firstFiles = after;
        } else {
            QCOMPARE(out, firstOut);
            QCOMPARE(err, firstErr);
            QCOMPARE(after, firstFiles);
        }
    }
}

QTEST_GUILESS_MAIN(CollisionsAndIdentityTest)
#include "tst_CollisionsAndIdentity.moc"
