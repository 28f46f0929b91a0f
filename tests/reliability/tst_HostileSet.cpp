// Every file of the hostile picture set goes through lumora-batch: each ends as a correct
// stamped output or as a failure line with a reason, without a crash, a hang, more than
// 2 seconds of CPU time or 512 MiB of memory, and the sources keep their bytes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include "BatchFixture.h"
#include "HostileImageSet.h"
#include "support/ChildProcess.h"

namespace {

constexpr double kCpuSecondsPerFile = 2.0;
constexpr qint64 kMemoryLimitKiB = 512 * 1024;
// A file taking this long in wall time counts as a hang whatever the load of the machine.
constexpr double kHangSeconds = 60.0;

// Share of pixels that differ clearly between two pictures of the same size.
double changedShare(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 changed = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d =
                std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                          std::abs(qBlue(p[col]) - qBlue(q[col]))});
            if (d > 32)
                ++changed;
        }
    }
    return double(changed) / double(qMax<qint64>(1, qint64(x.width()) * x.height()));
}

} // namespace

class HostileSetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void eachFileAlone_data();
    void eachFileAlone();
    void wholeSetInOneRun();
    void sourcesKeepTheirBytes();

private:
    QString source(const HostileImageSet::Entry& e) const { return m_set + QLatin1Char('/') + e.name; }
    QString output(const QString& folder, const HostileImageSet::Entry& e) const;

    QTemporaryDir m_root;
    QString m_set;
    QString m_out;
    QString m_blank;
    BatchFixture m_fixture;
    QList<HostileImageSet::Entry> m_entries;
    QMap<QString, QByteArray> m_hashesBefore;
};

QString HostileSetTest::output(const QString& folder, const HostileImageSet::Entry& e) const
{
    const QString name = QFileInfo(e.name).fileName();
    return folder + QLatin1Char('/') + name.left(name.lastIndexOf(QLatin1Char('.'))) +
           QStringLiteral("_new.jpg");
}

void HostileSetTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_set = m_root.filePath(QStringLiteral("set"));
    m_out = m_root.filePath(QStringLiteral("out"));
    m_blank = m_root.filePath(QStringLiteral("blank"));
    m_entries = HostileImageSet::write(m_set);
    QVERIFY(m_entries.size() > 60);
    m_hashesBefore = treeHashes(m_set);
    QVERIFY2(m_fixture.prepare(m_root.path(), m_blank), qPrintable(m_fixture.error()));

    // The same files drawn with a template without layers: the stamped outputs must differ
    // from these where the watermark lies.
    QStringList all;
    for (const HostileImageSet::Entry& e : std::as_const(m_entries))
        all.append(source(e));
    const ChildProcess::Result blank =
        m_fixture.batch(QStringList{QStringLiteral("--template"), QStringLiteral("Blank")} + all).run(600);
    QVERIFY2(blank.exitedNormally(), qPrintable(blank.describe()));
    QVERIFY(m_fixture.writePreferences(m_out, 0));
}

void HostileSetTest::eachFileAlone_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_entries.size(); ++i)
        QTest::newRow(qPrintable(m_entries[i].name)) << i;
}

void HostileSetTest::eachFileAlone()
{
    QFETCH(int, index);
    QVERIFY(index < m_entries.size());
    const HostileImageSet::Entry& e = m_entries[index];
    const QString path = source(e);
    const QString target = output(m_out, e);
    QFile::remove(target);

    const ChildProcess::Result run =
        m_fixture.batch({QStringLiteral("--jobs"), QStringLiteral("1"), path}).run(kHangSeconds);
    const QString context = QStringLiteral("%1 (%2): %3; stderr: %4")
                                .arg(e.name, e.what, run.describe(), QString::fromUtf8(run.err).trimmed());
    QVERIFY2(run.exitedNormally(), qPrintable(context));
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(context));

    const double cpuLimit = ChildProcess::underSanitizer() ? kCpuSecondsPerFile * 10 : kCpuSecondsPerFile;
    QVERIFY2(run.cpuSeconds < cpuLimit,
             qPrintable(QStringLiteral("%1 CPU seconds; %2").arg(run.cpuSeconds).arg(context)));
    if (!ChildProcess::underSanitizer())
        QVERIFY2(run.maxRssKiB < kMemoryLimitKiB,
                 qPrintable(QStringLiteral("%1 KiB at most; %2").arg(run.maxRssKiB).arg(context)));

    const QStringList written = run.outLines();
    QStringList failures;
    for (const QString& line : run.errLines()) {
        if (line.startsWith(path + QStringLiteral(": ")))
            failures.append(line.mid(path.size() + 2).trimmed());
    }
    // Exactly one answer: the output written, or a failure with a reason.
    QCOMPARE(written.size() + failures.size(), 1);
    if (!failures.isEmpty()) {
        QVERIFY2(failures.constFirst().size() >= 8, qPrintable(context));
        // A sentence a person can read: no bytes that are not text (a library's message read
        // from freed memory, say) and no control characters.
        for (const QChar c : failures.constFirst())
            QVERIFY2(c != QChar::ReplacementCharacter && c.category() != QChar::Other_Control,
                     qPrintable(context));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(e.expect != HostileImageSet::Expect::Stamp, qPrintable(context));
        if (!e.reason.isEmpty())
            QCOMPARE(failures.constFirst(), e.reason);
        QVERIFY2(!QFileInfo::exists(target), qPrintable(target));
        return;
    }
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(e.expect != HostileImageSet::Expect::Refuse, qPrintable(context));
    QCOMPARE(written.constFirst(), target);

    // A whole picture of the upright size, with the watermark on it.
    QImageReader reader(target);
    reader.setAutoTransform(true); // JPEG outputs keep the photo's orientation item
    QImage stamped;
    QVERIFY2(reader.read(&stamped), qPrintable(reader.errorString()));
    QCOMPARE(stamped.size(), e.size);
    QImageReader blankReader(output(m_blank, e));
    blankReader.setAutoTransform(true);
    const QImage blank = blankReader.read();
    QCOMPARE(blank.size(), e.size);
    const double changed = changedShare(stamped, blank);
    QVERIFY2(changed > 0.0005,
             qPrintable(QStringLiteral("only %1 of the pixels carry the watermark").arg(changed)));

    if (e.keepsMetadata) {
        QFile in(path);
        QFile out(target);
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::ReadOnly));
        QList<QByteArray> kept = jpegMetadataSegments(in.readAll());
        QList<QByteArray> carried = jpegMetadataSegments(out.readAll());
        QVERIFY(!kept.isEmpty());
        std::sort(kept.begin(), kept.end());
        std::sort(carried.begin(), carried.end());
        QCOMPARE(carried, kept);
    }
}

void HostileSetTest::wholeSetInOneRun()
{
    QDir(m_out).removeRecursively();
    QStringList all;
    for (const HostileImageSet::Entry& e : std::as_const(m_entries))
        all.append(source(e));
    const double limit = all.size() * kCpuSecondsPerFile * (ChildProcess::underSanitizer() ? 10 : 1);
    const ChildProcess::Result run = m_fixture.batch(all).run(limit + kHangSeconds);
    QVERIFY2(run.exitedNormally(), qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1); // the set holds files that cannot be stamped
    QVERIFY2(run.cpuSeconds < limit, qPrintable(QString::number(run.cpuSeconds)));

    // Every file answered exactly once, in input order.
    QStringList answered;
    for (const QString& line : run.outLines())
        answered.append(line);
    // Standard error holds answers only, each a whole line: libraries' own messages (libpng
    // writes its text and its line end separately) never splice into them.
    for (const QString& line : run.errLines()) {
        bool answer = false;
        for (const QString& path : std::as_const(all)) {
            if (line.startsWith(path + QStringLiteral(": "))) {
                answered.append(path);
                answer = true;
            }
        }
        QVERIFY2(answer, qPrintable(QStringLiteral("not an answer: ") + line));
    }
    QStringList unanswered;
    for (const HostileImageSet::Entry& e : std::as_const(m_entries)) {
        if (!answered.contains(source(e)) && !run.outLines().contains(output(m_out, e)))
            unanswered.append(e.name);
    }
    QVERIFY2(unanswered.isEmpty(), qPrintable(QStringLiteral("no answer for %1; standard error:\n%2")
                                                  .arg(unanswered.join(u' '), run.errLines().join(u'\n'))));
    QCOMPARE(answered.size(), all.size());
    for (const HostileImageSet::Entry& e : std::as_const(m_entries)) {
        const bool wrote = run.outLines().contains(output(m_out, e));
        const bool failed = answered.contains(source(e));
        QVERIFY2(wrote != failed, qPrintable(e.name));
    }
    QVERIFY2(temporaryLeftovers(m_out).isEmpty(), qPrintable(temporaryLeftovers(m_out).join(u' ')));
}

void HostileSetTest::sourcesKeepTheirBytes()
{
    QCOMPARE(treeHashes(m_set), m_hashesBefore);
}

QTEST_GUILESS_MAIN(HostileSetTest)
#include "tst_HostileSet.moc"
