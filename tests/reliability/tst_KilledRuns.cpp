// Processes killed with SIGKILL at random moments: a batch run leaves under each output name
// nothing, the previous file or the complete new file, and a rerun removes every temporary
// file; settings writes leave files that parse, holding a whole value of some round, and the
// temporary files of killed saves are removed by the next saves of the same files.
#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include "BatchFixture.h"
#include "services/ini/IniFile.h"
#include "support/ChildProcess.h"
#include "support/IsolatedHome.h"
#include "support/TestFiles.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int kKills = 50;
constexpr int kPhotos = 8;

quint32 seed()
{
    bool ok = false;
    const quint32 fromEnvironment = qEnvironmentVariable("LUMORA_KILL_SEED").toUInt(&ok);
    return ok ? fromEnvironment : QRandomGenerator::global()->generate();
}

// The root element a data file of this name must have.
QString rootFor(const QString& fileName)
{
    if (fileName == QLatin1String("preference.xml"))
        return QStringLiteral("Preferences");
    if (fileName == QLatin1String("qthumb.xml"))
        return QStringLiteral("Templates");
    if (fileName.contains(QLatin1String("_Layer ")))
        return QStringLiteral("WatermarkConf");
    return QStringLiteral("Layers");
}

} // namespace

class KilledRunsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedBatch();
    void killedSettingsWrites();

private:
    QTemporaryDir m_root;
    quint32 m_seed = 0;
};

void KilledRunsTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_seed = seed();
    qInfo("random kill moments from seed %u (set LUMORA_KILL_SEED to repeat)", m_seed);
}

void KilledRunsTest::killedBatch()
{
    const QString photos = m_root.filePath(QStringLiteral("photos"));
    const QString out = m_root.filePath(QStringLiteral("out"));
    QDir().mkpath(photos);
    BatchFixture fixture;
    QVERIFY2(fixture.prepare(m_root.filePath(QStringLiteral("batch")), out), qPrintable(fixture.error()));

    QStringList sources;
    QStringList targets;
    for (int i = 0; i < kPhotos; ++i) {
        QImage photo(480 + 16 * i, 360, QImage::Format_RGB32);
        photo.fill(QColor::fromHsv(i * 40, 160, 200));
        const QString path = photos + QStringLiteral("/photo%1.jpg").arg(i);
        QVERIFY(photo.save(path, "JPEG", 90));
        sources.append(path);
        targets.append(out + QStringLiteral("/photo%1_new.jpg").arg(i));
    }

    // The complete outputs, from a run that is not disturbed; a second run gives the same bytes.
    const ChildProcess::Result whole = fixture.batch(sources).run(120);
    QVERIFY2(whole.exitedNormally() && whole.exitCode == 0, qPrintable(whole.describe()));
    QList<QByteArray> complete;
    for (const QString& target : std::as_const(targets))
        complete.append(readFile(target));
    for (const QByteArray& bytes : std::as_const(complete))
        QVERIFY(bytes.size() > 1000);
    // Kill moments are drawn within the fastest of three undisturbed runs: one slow first run
    // (cold caches, a busy machine) would put most moments after the end of the later runs.
    double runSeconds = whole.wallSeconds;
    for (int again = 0; again < 2; ++again) {
        const ChildProcess::Result timed = fixture.batch(sources).run(120);
        QVERIFY2(timed.exitedNormally() && timed.exitCode == 0, qPrintable(timed.describe()));
        runSeconds = std::min(runSeconds, timed.wallSeconds);
    }

    QRandomGenerator random(m_seed);
    const QByteArray previous("an earlier output of the same name");
    int cut = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        // Every other round starts with earlier outputs in place, the others with none.
        const bool withPrevious = kill % 2 == 0;
        for (const QString& target : std::as_const(targets)) {
            QFile::remove(target);
            if (withPrevious)
                QVERIFY(writeFile(target, previous));
        }
        const double moment = random.bounded(runSeconds * 1.1);
        const ChildProcess::Result run = fixture.batch(sources).runAndKill(moment);
        QVERIFY2(run.signal == SIGKILL || (run.exitedNormally() && run.exitCode == 0),
                 qPrintable(run.describe()));
        if (run.signal == SIGKILL)
            ++cut;
        else
            runSeconds = std::min(runSeconds, run.wallSeconds); // a run that ended first: shorter moments

        for (int i = 0; i < targets.size(); ++i) {
            const QString at = QStringLiteral("kill %1 at %2 s, %3").arg(kill).arg(moment).arg(targets[i]);
            if (!QFileInfo::exists(targets[i])) {
                QVERIFY2(!withPrevious, qPrintable(at + QStringLiteral(": the earlier output is gone")));
                continue;
            }
            const QByteArray now = readFile(targets[i]);
            QVERIFY2(now == complete[i] || (withPrevious && now == previous),
                     qPrintable(at + QStringLiteral(": %1 bytes, neither the earlier nor the complete file")
                                         .arg(now.size())));
        }
        // Temporary files may stay behind a killed run; the next run of the same outputs
        // removes them.
        if (!temporaryLeftovers(out).isEmpty() || kill == kKills - 1) {
            const ChildProcess::Result rerun = fixture.batch(sources).run(120);
            QVERIFY2(rerun.exitedNormally() && rerun.exitCode == 0, qPrintable(rerun.describe()));
            QVERIFY2(temporaryLeftovers(out).isEmpty(), qPrintable(temporaryLeftovers(out).join(u' ')));
        }
        QVERIFY2(temporaryLeftovers(fixture.dataFolder()).isEmpty(),
                 qPrintable(temporaryLeftovers(fixture.dataFolder()).join(u' ')));
    }
    // Most kills must land inside the run for the test to mean anything.
    QVERIFY2(cut >= kKills / 2, qPrintable(QStringLiteral("only %1 runs were cut short").arg(cut)));
}

void KilledRunsTest::killedSettingsWrites()
{
    const QString data = m_root.filePath(QStringLiteral("settings"));
    const QString writer = QStringLiteral(LUMORA_BUILD_DIR "/tests/lumora-settings-writer");
    QProcessEnvironment environment = isolatedEnvironment(m_root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    // How long a few hundred rounds take, so that kills spread over many rounds.
    ChildProcess timing(writer, {m_root.filePath(QStringLiteral("timing")), QStringLiteral("40")});
    timing.setEnvironment(environment);
    const ChildProcess::Result timed = timing.run(120);
    QVERIFY2(timed.exitedNormally() && timed.exitCode == 0, qPrintable(timed.describe()));
    const double window = qBound(0.2, timed.wallSeconds * 2, 3.0);

    QRandomGenerator random(m_seed ^ 0x5eed);
    static const QRegularExpression folderValue(QStringLiteral(R"(^/output/round \d+ x{200}$)"));
    static const QRegularExpression suffixValue(QStringLiteral(R"(^_round\d+$|^_new$)"));
    int withLeftovers = 0;
    bool preferencesWritten = false;
    QStringList seen;
    for (int kill = 0; kill < kKills; ++kill) {
        ChildProcess process(writer, {data, QStringLiteral("1000000")});
        process.setEnvironment(environment);
        const double moment = random.bounded(window);
        const ChildProcess::Result run = process.runAndKill(moment);
        QCOMPARE(run.signal, SIGKILL);
        const QString at = QStringLiteral("kill %1 at %2 s: ").arg(kill).arg(moment);

        // Every XML file of the data folder loads and has its root element.
        QStringList files = QDir(data).entryList({QStringLiteral("*.xml")}, QDir::Files);
        for (QString& name : files)
            name = data + QLatin1Char('/') + name;
        for (const QString& name :
             QDir(data + QStringLiteral("/templates")).entryList({QStringLiteral("*.xml")}, QDir::Files))
            files.append(data + QStringLiteral("/templates/") + name);
        for (const QString& path : std::as_const(files)) {
            XmlDocument doc;
            QVERIFY2(doc.LoadFile(path), qPrintable(at + path));
            QVERIFY2(doc.FindElement(rootFor(QFileInfo(path).fileName())), qPrintable(at + path));
        }

        // A writer killed before its first start wrote the preferences leaves none; once
        // written, they are never lost.
        const QString preferencesPath = data + QStringLiteral("/preference.xml");
        if (QFileInfo::exists(preferencesPath)) {
            preferencesWritten = true;
            XmlDocument preferences;
            QVERIFY2(preferences.LoadFile(preferencesPath), qPrintable(at));
            QVERIFY(preferences.FindElement(QStringLiteral("Preferences")));
            preferences.EnterElement();
            QVERIFY(preferences.FindElement(QStringLiteral("OutputFolderPath")));
            const QString folder = preferences.GetElementData();
            QVERIFY2(folder.endsWith(QLatin1String("/documents")) || folderValue.match(folder).hasMatch(),
                     qPrintable(at + folder));
            QVERIFY(preferences.FindElement(QStringLiteral("OutputFileNameSuffix")));
            QVERIFY2(suffixValue.match(preferences.GetElementData()).hasMatch(), qPrintable(at));
        } else {
            QVERIFY2(!preferencesWritten, qPrintable(at + QStringLiteral("the preferences are gone")));
        }

        const QString configPath = data + QStringLiteral("/config.ini");
        IniFile config(configPath);
        QVERIFY2(config.load(), qPrintable(at));
        if (QFileInfo::exists(configPath))
            QVERIFY2(config.contains(QStringLiteral("常规"), QStringLiteral("template")), qPrintable(at));
        IniFile resize(data + QStringLiteral("/resizing_config.ini"));
        QVERIFY2(resize.load(), qPrintable(at));
        if (resize.contains(QStringLiteral("常规"), QStringLiteral("TargetWidth"))) {
            const int width = resize.intValue(QStringLiteral("常规"), QStringLiteral("TargetWidth"), 0);
            QVERIFY2(width > 800, qPrintable(at + QString::number(width)));
        }

        // A save killed before its rename leaves its temporary file beside the settings. The
        // next save of the same file removes it once it is older than a running save's
        // could be: here it is made that old, as if the program were started again later,
        // and the writer runs again until it has saved every file that has one.
        const QStringList leftovers = temporaryLeftovers(data);
        if (leftovers.isEmpty())
            continue;
        ++withLeftovers;
        int rounds = 1;
        static const QRegularExpression roundTemplate(QStringLiteral(R"(/Round (\d+)[^/]*$)"));
        for (const QString& path : leftovers) {
            seen.append(QFileInfo(path).fileName());
            QVERIFY2(setFileAge(path, 3600), qPrintable(path));
            const QRegularExpressionMatch match = roundTemplate.match(path);
            if (match.hasMatch())
                rounds = qMax(rounds, match.captured(1).toInt() + 1);
        }
        ChildProcess rerun(writer, {data, QString::number(rounds)});
        rerun.setEnvironment(environment);
        const ChildProcess::Result after = rerun.run(120);
        QVERIFY2(after.exitedNormally() && after.exitCode == 0, qPrintable(at + after.describe()));
        QVERIFY2(temporaryLeftovers(data).isEmpty(),
                 qPrintable(at + leftovers.join(u' ') + QStringLiteral(" -> ") +
                            temporaryLeftovers(data).join(u' ')));
    }
    qInfo("%d of %d kills left temporary settings files, removed by the next saves: %s", withLeftovers,
          kKills, qPrintable(seen.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(KilledRunsTest)
#include "tst_KilledRuns.moc"
