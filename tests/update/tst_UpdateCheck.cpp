#include "MessageCollector.h"
#include "TestHttpServer.h"

#include "services/folders/Folders.h"
#include "services/messages/WindowMessage.h"
#include "services/update/DownloadUrlToFile.h"
#include "services/update/UpdateCheck.h"
#include "services/update/UpdateSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const VersionTriple kProgram{2, 1, 5};
const QString kVersionPath = QStringLiteral("/update/lu_version.ini");

QByteArray versionFile(int major, int minor, int build, const QByteArray& section = "Gerneral")
{
    return "[" + section + "]\r\nmajor_version=" + QByteArray::number(major) +
           "\r\nminor_version=" + QByteArray::number(minor) + "\r\nbuild=" + QByteArray::number(build) +
           "\r\n";
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Several chunks of every byte value, with line breaks and NULs that a text transfer would alter.
QByteArray binaryBody()
{
    QByteArray binary;
    for (int i = 0; i < 20000; ++i)
        binary.append(char(i * 7 % 256));
    binary.append("\r\n\n\r\0end", 8);
    return binary;
}

// Runs the blocking download on a worker thread while this thread serves the requests.
bool downloadInThread(const QUrl& url, const QString& path)
{
    bool result = false;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = DownloadUrlToFile(url, path); }));
    worker->start();
    if (!QTest::qWaitFor([&] { return worker->isFinished(); }, 30000))
        qFatal("download did not finish");
    worker->wait();
    return result;
}

} // namespace

class UpdateCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void checkOutcome_data();
    void checkOutcome();
    void noAutomaticCheck_data();
    void noAutomaticCheck();
    void secondManualCheckJoinsTheRunningOne();
    void joinedManualCheckMakesAQuietCheckReport();
    void targetDestroyedWhileChecking();
    void download_data();
    void download();

private:
    void waitForCheck();

    std::unique_ptr<QTemporaryDir> m_cache;
    std::unique_ptr<TestHttpServer> m_server;
};

void UpdateCheckTest::init()
{
    m_cache = std::make_unique<QTemporaryDir>();
    // A folder that does not exist yet: the check makes it.
    setPreviewCacheFolderOverride(m_cache->filePath(QStringLiteral("Lumora Plenum")));
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    qputenv(kUpdateUrlVariable, m_server->url(kVersionPath).toEncoded());
    setUpdateCheckQuiet(true);
    setUpdateTargetWindow(nullptr);
}

void UpdateCheckTest::cleanup()
{
    m_server->release();
    waitForCheck();
    setUpdateTargetWindow(nullptr);
    m_server.reset();
    setPreviewCacheFolderOverride(QString());
    qunsetenv(kUpdateUrlVariable);
}

void UpdateCheckTest::waitForCheck()
{
    QVERIFY(QTest::qWaitFor([] { return waitForUpdateCheck(0); }, 30000));
    // Deliver the messages the check posted.
    QCoreApplication::sendPostedEvents();
}

void UpdateCheckTest::checkOutcome_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("throughMenu");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<QList<int>>("serverVersion");

    const QList<int> none;
    const QList<int> newer{NewVersionMessage};
    const QList<int> latest{LatestVersionMessage};
    const QList<int> failed{UpdateCheckFailedMessage};
    QTest::newRow("newer build at start")
        << 200 << versionFile(2, 1, 6) << false << newer << QList<int>{2, 1, 6};
    QTest::newRow("older at start shows nothing")
        << 200 << versionFile(2, 0, 9) << false << none << QList<int>();
    QTest::newRow("older through the menu")
        << 200 << versionFile(2, 0, 9) << true << latest << QList<int>{2, 0, 9};
    QTest::newRow("same version through the menu")
        << 200 << versionFile(2, 1, 5) << true << latest << QList<int>{2, 1, 5};
    QTest::newRow("newer major, smaller minor and build")
        << 200 << versionFile(3, 0, 0) << false << newer << QList<int>{3, 0, 0};
    QTest::newRow("newer minor, smaller build")
        << 200 << versionFile(2, 2, 0) << true << newer << QList<int>{2, 2, 0};
    QTest::newRow("older major, larger minor")
        << 200 << versionFile(1, 9, 9) << true << latest << QList<int>{1, 9, 9};
    QTest::newRow("misspelt section at start")
        << 200 << versionFile(9, 9, 9, "General") << false << none << QList<int>();
    QTest::newRow("misspelt section through the menu")
        << 200 << versionFile(9, 9, 9, "Gerneryl") << true << latest << QList<int>{0, 0, 0};
    QTest::newRow("no keys") << 200 << QByteArray("[Gerneral]\r\n") << true << latest << QList<int>{0, 0, 0};
    QTest::newRow("not found") << 404 << versionFile(9, 9, 9) << true << failed << QList<int>();
    QTest::newRow("server error at start") << 500 << versionFile(9, 9, 9) << false << failed << QList<int>();
}

void UpdateCheckTest::checkOutcome()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, throughMenu);
    QFETCH(QList<int>, expected);
    QFETCH(QList<int>, serverVersion);

    m_server->setResponse(kVersionPath, {status, body, {}, false});
    QVERIFY(QDir().mkpath(PreviewCacheFolder()));
    const QString local = updateVersionFilePath();
    {
        QFile previous(local);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous copy");
    }

    MessageCollector window;
    // The program starts with an automatic check; the menu command comes after it.
    QVERIFY(startAutomaticUpdateCheck(&window, kProgram, true));
    waitForCheck();
    if (throughMenu) {
        window.messages.clear();
        startManualUpdateCheck(&window, kProgram);
        waitForCheck();
    }

    QCOMPARE(window.numbers(), expected);
    QCOMPARE(m_server->requestCount(kVersionPath), throughMenu ? 2 : 1);
    if (!serverVersion.isEmpty()) {
        const VersionTriple version = versionFromParams(window.messages[0].wParam, window.messages[0].lParam);
        QCOMPARE((QList<int>{version.major, version.minor, version.build}), serverVersion);
    }
    // A failed download keeps the previous local copy; a good one replaces it.
    QCOMPARE(readAll(local), status == 200 ? body : QByteArray("previous copy"));
}

void UpdateCheckTest::noAutomaticCheck_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<int>("major");
    QTest::newRow("network unreachable") << false << 2;
    QTest::newRow("no program version") << true << 0;
}

void UpdateCheckTest::noAutomaticCheck()
{
    QFETCH(bool, reachable);
    QFETCH(int, major);
    m_server->setResponse(kVersionPath, {200, versionFile(9, 9, 9), {}, false});
    MessageCollector window;
    QVERIFY(!startAutomaticUpdateCheck(&window, VersionTriple{major, 1, 5}, reachable));
    QTest::qWait(200);
    QCOMPARE(m_server->totalRequests(), 0);
    QCOMPARE(UpdateTargetWindow(), nullptr);
    QVERIFY(window.messages.isEmpty());
}

void UpdateCheckTest::secondManualCheckJoinsTheRunningOne()
{
    m_server->setResponse(kVersionPath, {200, versionFile(2, 0, 9), {}, false});
    m_server->setHolding(true);
    MessageCollector window;
    startManualUpdateCheck(&window, kProgram);
    QTRY_COMPARE(m_server->requestCount(kVersionPath), 1);
    startManualUpdateCheck(&window, kProgram);
    QTest::qWait(100);
    m_server->release();
    waitForCheck();
    QCOMPARE(m_server->requestCount(kVersionPath), 1);
    QCOMPARE(window.numbers(), QList<int>{LatestVersionMessage});

    // Once the check has ended, the next request downloads again.
    startManualUpdateCheck(&window, kProgram);
    waitForCheck();
    QCOMPARE(m_server->requestCount(kVersionPath), 2);
    QCOMPARE(window.numbers(), (QList<int>{LatestVersionMessage, LatestVersionMessage}));
}

void UpdateCheckTest::joinedManualCheckMakesAQuietCheckReport()
{
    m_server->setResponse(kVersionPath, {200, versionFile(2, 0, 9), {}, false});
    m_server->setHolding(true);
    MessageCollector window;
    QVERIFY(startAutomaticUpdateCheck(&window, kProgram, true));
    QTRY_COMPARE(m_server->requestCount(kVersionPath), 1);
    startManualUpdateCheck(&window, kProgram);
    m_server->release();
    waitForCheck();
    QCOMPARE(m_server->requestCount(kVersionPath), 1);
    QCOMPARE(window.numbers(), QList<int>{LatestVersionMessage});
}

void UpdateCheckTest::targetDestroyedWhileChecking()
{
    m_server->setResponse(kVersionPath, {200, versionFile(3, 0, 0), {}, false});
    m_server->setHolding(true);
    auto window = std::make_unique<MessageCollector>();
    QVERIFY(startAutomaticUpdateCheck(window.get(), kProgram, true));
    QTRY_COMPARE(m_server->requestCount(kVersionPath), 1);
    window.reset();
    QCOMPARE(UpdateTargetWindow(), nullptr);
    m_server->release();
    waitForCheck();
}

void UpdateCheckTest::download_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray binary = binaryBody();
    QTest::newRow("binary body over several chunks") << "/binary" << true << binary;
    QTest::newRow("redirect is followed") << "/moved" << true << binary;
    QTest::newRow("empty body") << "/empty" << true << QByteArray();
    QTest::newRow("not found") << "/nothing" << false << QByteArray();
    QTest::newRow("transfer cut short") << "/cut" << false << QByteArray();
    QTest::newRow("body too large") << "/huge" << false << QByteArray();
}

void UpdateCheckTest::download()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QFETCH(QByteArray, expected);
    m_server->setResponse(QStringLiteral("/binary"), {200, binaryBody(), {}, false});
    m_server->setResponse(QStringLiteral("/moved"), {302, {}, "/binary", false});
    m_server->setResponse(QStringLiteral("/cut"), {200, QByteArray(10000, 'x'), {}, true});
    m_server->setResponse(QStringLiteral("/huge"), {200, QByteArray(kMaxDownloadBytes + 1, 'x'), {}, false});
    m_server->setResponse(QStringLiteral("/empty"), {200, {}, {}, false});
    const QString local = m_cache->filePath(QStringLiteral("copy.ini"));
    {
        QFile previous(local);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous copy");
    }
    QCOMPARE(downloadInThread(m_server->url(path), local), ok);
    QCOMPARE(readAll(local), ok ? expected : QByteArray("previous copy"));
    QCOMPARE(QDir(m_cache->path()).entryList(QDir::Files), QStringList{QStringLiteral("copy.ini")});
}

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_UpdateCheck.moc"
