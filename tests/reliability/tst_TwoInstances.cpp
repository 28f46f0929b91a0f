// Two desktop programs started on the same data folder: the second refuses to start with a
// message and leaves the folder's files as they were; after the first one is killed, its lock
// is taken over by the next program.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "BatchFixture.h"
#include "app/InstanceLock.h"
#include "support/IsolatedHome.h"

namespace {

const QString kProgram = QStringLiteral(LUMORA_BIN_DIR "/lumora-plenum");

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QTest::qWait(50);
    }
    return true;
}

// Every file of the data folder except the lock file and the crash folder, with its content.
QMap<QString, QByteArray> dataFiles(const QString& folder)
{
    QMap<QString, QByteArray> files = treeHashes(folder);
    files.remove(QStringLiteral("lumora-plenum.lock"));
    return files;
}

} // namespace

class TwoInstancesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void secondProgramRefusesToStart();
    void lockOfAKilledProgramIsTakenOver();
    void lockInProcess();

private:
    QProcess* start(const QString& name);

    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
    QString m_data;
    QList<QProcess*> m_programs;
};

void TwoInstancesTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    if (!QFileInfo(kProgram).isExecutable())
        QSKIP("the desktop program is not built");
    const QString home = m_root.filePath(QStringLiteral("home"));
    m_environment = isolatedEnvironment(home);
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_data = isolatedDataFolder(home);
}

void TwoInstancesTest::cleanup()
{
    for (QProcess* program : std::as_const(m_programs)) {
        program->kill();
        program->waitForFinished(5000);
        delete program;
    }
    m_programs.clear();
}

QProcess* TwoInstancesTest::start(const QString& name)
{
    auto* program = new QProcess;
    program->setObjectName(name);
    program->setProcessEnvironment(m_environment);
    program->start(kProgram, {});
    m_programs.append(program);
    return program;
}

void TwoInstancesTest::secondProgramRefusesToStart()
{
    QProcess* first = start(QStringLiteral("first"));
    QVERIFY(first->waitForStarted());
    // Up when its first start has written the demonstration template.
    QVERIFY2(
        waitFor([&] { return QFileInfo::exists(m_data + QStringLiteral("/templates/Demo 1_Layer 1.xml")); },
                30000),
        qPrintable(QString::fromUtf8(first->readAllStandardError())));
    QVERIFY(QFileInfo::exists(InstanceLock::lockPath(m_data)));
    QTest::qWait(1500); // past the first start's remaining steps
    const QMap<QString, QByteArray> before = dataFiles(m_data);

    QProcess* second = start(QStringLiteral("second"));
    QVERIFY(second->waitForStarted());
    QByteArray said;
    QVERIFY2(waitFor(
                 [&] {
                     said += second->readAllStandardError();
                     return said.contains("lumora-plenum: ") || second->state() == QProcess::NotRunning;
                 },
                 30000),
             said.constData());
    QVERIFY2(said.contains("Lumora Plenum 已在运行"), said.constData());
    // Showing its message, or gone after it: nothing else.
    if (second->state() == QProcess::NotRunning)
        QCOMPARE(second->exitCode(), 1);
    QCOMPARE(dataFiles(m_data), before);
    QCOMPARE(first->state(), QProcess::Running);
}

void TwoInstancesTest::lockOfAKilledProgramIsTakenOver()
{
    QProcess* first = start(QStringLiteral("killed"));
    QVERIFY(first->waitForStarted());
    QVERIFY(waitFor([&] { return QFileInfo::exists(InstanceLock::lockPath(m_data)); }, 30000));
    QTest::qWait(1000);
    first->kill(); // SIGKILL: the lock file stays behind
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(QFileInfo::exists(InstanceLock::lockPath(m_data)));

    QProcess* next = start(QStringLiteral("next"));
    QVERIFY(next->waitForStarted());
    const qint64 pid = next->processId();
    QByteArray said;
    // The next program takes the lock over: the lock file names it.
    QVERIFY2(waitFor(
                 [&] {
                     said += next->readAllStandardError();
                     QFile lock(InstanceLock::lockPath(m_data));
                     return lock.open(QIODevice::ReadOnly) &&
                            lock.readLine().trimmed() == QByteArray::number(pid);
                 },
                 30000),
             said.constData());
    QTest::qWait(500);
    said += next->readAllStandardError();
    QVERIFY2(!said.contains("lumora-plenum: "), said.constData());
    QCOMPARE(next->state(), QProcess::Running);
}

void TwoInstancesTest::lockInProcess()
{
    // While one holder has the lock, a second is refused (in one process as between two)
    // with a sentence naming the folder; released, it can be taken.
    const QString folder = m_root.filePath(QStringLiteral("in-process"));
    QVERIFY(QDir().mkpath(folder));
    auto holder = std::make_unique<InstanceLock>(folder);
    QVERIFY(holder->tryAcquire());
    InstanceLock second(folder);
    // In one process QLockFile refuses a second lock of the same file too.
    QVERIFY(!second.tryAcquire());
    QVERIFY(second.refusalText().contains(QDir::toNativeSeparators(folder)));
    holder.reset();
    QVERIFY(second.tryAcquire());
}

QTEST_GUILESS_MAIN(TwoInstancesTest)
#include "tst_TwoInstances.moc"
