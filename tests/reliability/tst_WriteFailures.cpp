// Writes that fail: a full output disk (a small tmpfs) and a file-size limit turn into
// failure lines while the earlier outputs and the settings stay intact; an output folder
// without write permission gives a clear failure line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

#include "BatchFixture.h"
#include "services/ini/IniFile.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"
#include "xml/XmlDocument.h"

namespace {

// Photos that give outputs of different sizes: noise compresses badly, flat colour well.
QStringList makePhotos(const QString& folder, int count)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QImage photo = TestPictures::noise(400, 300, 2463534242u + quint32(i));
        if (i % 3 == 0)
            photo.fill(qRgb(90, 140, 200));
        const QString path = folder + QStringLiteral("/photo%1.png").arg(i, 2, 10, QLatin1Char('0'));
        photo.save(path, "PNG");
        paths.append(path);
    }
    return paths;
}

QString outputOf(const QString& folder, const QString& photo)
{
    return folder + QLatin1Char('/') + QFileInfo(photo).completeBaseName() + QStringLiteral("_new.jpg");
}

// Every XML and INI file of a data folder parses.
void checkSettingsParse(const QString& data)
{
    QStringList xml;
    for (const QString& name : QDir(data).entryList({QStringLiteral("*.xml")}, QDir::Files))
        xml.append(data + QLatin1Char('/') + name);
    for (const QString& name :
         QDir(data + QStringLiteral("/templates")).entryList({QStringLiteral("*.xml")}, QDir::Files))
        xml.append(data + QStringLiteral("/templates/") + name);
    QVERIFY(!xml.isEmpty());
    for (const QString& path : std::as_const(xml)) {
        XmlDocument doc;
        QVERIFY2(doc.LoadFile(path), qPrintable(path));
    }
    for (const QString& name : QDir(data).entryList({QStringLiteral("*.ini")}, QDir::Files)) {
        IniFile ini(data + QLatin1Char('/') + name);
        QVERIFY2(ini.load(), qPrintable(name));
    }
}

} // namespace

class WriteFailuresTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullDisk();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void outputFolderNotWritable();
    void cleanupTestCase();

private:
    // The outputs of every photo on a disk with room, to compare the written ones with.
    QTemporaryDir m_root;
    QStringList m_photos;
    QMap<QString, QByteArray> m_complete;
    QString m_mount;
};

void WriteFailuresTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_photos = makePhotos(m_root.filePath(QStringLiteral("photos")), 12);
    BatchFixture fixture;
    const QString out = m_root.filePath(QStringLiteral("reference"));
    QVERIFY2(fixture.prepare(m_root.filePath(QStringLiteral("roomy")), out), qPrintable(fixture.error()));
    const ChildProcess::Result run = fixture.batch(m_photos).run(120);
    QVERIFY2(run.exitedNormally() && run.exitCode == 0,
             qPrintable(run.describe() + QString::fromUtf8(run.err)));
    for (const QString& photo : std::as_const(m_photos))
        m_complete.insert(photo, readFile(outputOf(out, photo)));
}

void WriteFailuresTest::fullDisk()
{
    m_mount = m_root.filePath(QStringLiteral("small-disk"));
    QDir().mkpath(m_mount);
    if (::mount("tmpfs", QFile::encodeName(m_mount).constData(), "tmpfs", 0, "size=1m,mode=0755") != 0) {
        m_mount.clear();
        QSKIP(
            "a small tmpfs cannot be mounted here (needs root); the file-size limit test covers full writes");
    }

    // The data folder and the outputs share the small disk.
    BatchFixture fixture;
    const QString out = m_mount + QStringLiteral("/out");
    QVERIFY2(fixture.prepare(m_mount, out), qPrintable(fixture.error()));
    const QMap<QString, QByteArray> settingsBefore = treeHashes(fixture.dataFolder());

    const ChildProcess::Result run = fixture.batch(m_photos).run(120);
    QVERIFY2(run.exitedNormally(), qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);

    int written = 0;
    int full = 0;
    for (const QString& photo : std::as_const(m_photos)) {
        const QString target = outputOf(out, photo);
        if (run.outLines().contains(target)) {
            ++written;
            QVERIFY2(readFile(target) == m_complete.value(photo), qPrintable(target));
            continue;
        }
        QStringList reasons;
        for (const QString& line : run.errLines()) {
            if (line.startsWith(photo + QStringLiteral(": ")))
                reasons.append(line);
        }
        QCOMPARE(reasons.size(), 1);
        QVERIFY2(reasons.constFirst().contains(QLatin1String("disk full")), qPrintable(reasons.constFirst()));
        QVERIFY2(!QFileInfo::exists(target), qPrintable(target));
        ++full;
    }
    QVERIFY2(written >= 2 && full >= 2,
             qPrintable(QStringLiteral("%1 written, %2 failed").arg(written).arg(full)));
    QCOMPARE(treeHashes(fixture.dataFolder()), settingsBefore);
    QVERIFY2(temporaryLeftovers(m_mount).isEmpty(), qPrintable(temporaryLeftovers(m_mount).join(u' ')));

    // Settings written while the disk is full: the writes fail, the files still parse.
    {
        QFile filler(m_mount + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    ChildProcess writer(QStringLiteral(LUMORA_BUILD_DIR "/tests/lumora-settings-writer"),
                        {fixture.dataFolder(), QStringLiteral("3")});
    writer.setEnvironment(fixture.environment());
    const ChildProcess::Result writes = writer.run(60);
    QVERIFY2(writes.exitedNormally(), qPrintable(writes.describe()));
    checkSettingsParse(fixture.dataFolder());
    QCOMPARE(treeHashes(fixture.dataFolder()), settingsBefore);
    QVERIFY2(temporaryLeftovers(m_mount).isEmpty(), qPrintable(temporaryLeftovers(m_mount).join(u' ')));
}

void WriteFailuresTest::fileSizeLimit_data()
{
    QTest::addColumn<int>("format");
    // The limit halfway between the smallest and the largest output, or just below the largest,
    // which cuts the last bytes an encoder writes (TIFF: its directory, written at the end).
    QTest::addColumn<bool>("lastBytes");
    QTest::newRow("jpeg, halfway") << 0 << false;
    QTest::newRow("tiff, halfway") << 3 << false;
    QTest::newRow("tiff, last bytes") << 3 << true;
    QTest::newRow("png, last bytes") << 1 << true;
    QTest::newRow("bmp, last bytes") << 2 << true;
    QTest::newRow("webp, last bytes") << 4 << true;
}

void WriteFailuresTest::fileSizeLimit()
{
    // Outputs above the limit fail with a reason and the complete earlier output of the same
    // name stays; the program is not ended by SIGXFSZ.
    QFETCH(int, format);
    QFETCH(bool, lastBytes);
    BatchFixture fixture;
    const QString root = m_root.filePath(QStringLiteral("limited-%1-%2").arg(format).arg(lastBytes));
    const QString out = root + QStringLiteral("/out");
    QVERIFY2(fixture.prepare(root, out, format), qPrintable(fixture.error()));
    const QMap<QString, QByteArray> settingsBefore = treeHashes(fixture.dataFolder());
    const ChildProcess::Result first = fixture.batch(m_photos).run(120);
    QVERIFY2(first.exitedNormally() && first.exitCode == 0,
             qPrintable(first.describe() + QString::fromUtf8(first.err)));
    QMap<QString, QByteArray> complete;
    qint64 smallest = std::numeric_limits<qint64>::max();
    qint64 largest = 0;
    for (const QString& photo : std::as_const(m_photos)) {
        const QString target = first.outLines().value(m_photos.indexOf(photo));
        QVERIFY2(!target.isEmpty() && QFileInfo::exists(target), qPrintable(photo));
        const QByteArray bytes = readFile(target);
        complete.insert(target, bytes);
        smallest = qMin<qint64>(smallest, bytes.size());
        largest = qMax<qint64>(largest, bytes.size());
    }
    QVERIFY(lastBytes || smallest * 2 < largest);
    const qint64 limit = lastBytes ? largest - 64 : (smallest + largest) / 2;

    ChildProcess process = fixture.batch(m_photos);
    process.setFileSizeLimit(limit);
    const ChildProcess::Result run = process.run(120);
    QVERIFY2(run.exitedNormally(), qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    for (auto it = complete.cbegin(); it != complete.cend(); ++it) {
        const QString& target = it.key();
        QCOMPARE(readFile(target), it.value());
        if (it.value().size() < limit) {
            QVERIFY2(run.outLines().contains(target), qPrintable(target + QString::fromUtf8(run.err)));
            continue;
        }
        QVERIFY2(!run.outLines().contains(target), qPrintable(target));
        bool reported = false;
        for (const QString& line : run.errLines())
            reported |= line.contains(QLatin1String("larger than allowed")) &&
                        line.contains(QFileInfo(target).fileName());
        QVERIFY2(reported, qPrintable(target + QLatin1Char('\n') + QString::fromUtf8(run.err)));
    }
    QCOMPARE(treeHashes(fixture.dataFolder()), settingsBefore);
    QVERIFY2(temporaryLeftovers(out).isEmpty(), qPrintable(temporaryLeftovers(out).join(u' ')));
}

void WriteFailuresTest::outputFolderNotWritable()
{
    BatchFixture fixture;
    const QString out = m_root.filePath(QStringLiteral("locked/out"));
    QVERIFY2(fixture.prepare(m_root.filePath(QStringLiteral("locked")), out), qPrintable(fixture.error()));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (::access(QFile::encodeName(out).constData(), W_OK) == 0) {
        // root writes anyway: a read-only bind of the folder takes the place of permissions.
        const QByteArray native = QFile::encodeName(out);
        if (::mount(native.constData(), native.constData(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, native.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            QSKIP("this user writes into folders without write permission and cannot mount");
    }
    const QStringList two = m_photos.mid(0, 2);
    const ChildProcess::Result run = fixture.batch(two).run(60);
    ::umount2(QFile::encodeName(out).constData(), MNT_DETACH);
    QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY2(run.exitedNormally(), qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.outLines().isEmpty());
    for (const QString& photo : two) {
        bool reported = false;
        for (const QString& line : run.errLines()) {
            reported |= line.startsWith(photo + QStringLiteral(": ")) &&
                        (line.contains(QLatin1String("permission denied")) ||
                         line.contains(QLatin1String("read-only")));
        }
        QVERIFY2(reported, qPrintable(QString::fromUtf8(run.err)));
    }
    QVERIFY(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

void WriteFailuresTest::cleanupTestCase()
{
    if (!m_mount.isEmpty())
        ::umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
}

QTEST_GUILESS_MAIN(WriteFailuresTest)
#include "tst_WriteFailures.moc"
