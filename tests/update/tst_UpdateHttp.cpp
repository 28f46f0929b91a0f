#include "MessageCollector.h"
#include "ScriptedHttpServer.h"

#include "services/folders/Folders.h"
#include "services/messages/WindowMessage.h"
#include "services/update/DownloadUrlToFile.h"
#include "services/update/UpdateCheck.h"
#include "services/update/UpdateSettings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// The update check against servers that misbehave on purpose (run on 127.0.0.1 by the test):
// the check must end in bounded time and accept a bounded number of bytes whatever the server
// sends, and the HTTP client under it must read well-formed responses of every framing.

namespace {

const VersionTriple kProgram{2, 1, 5};
const QString kVersionPath = QStringLiteral("/update/lu_version.ini");

// Besides the bytes the client takes, the kernel's socket buffers between the server and the
// client hold what the server wrote but the client has not read yet. The server sends at a
// measured pace that the client easily follows, so this stays small.
constexpr qint64 kBufferSlack = 128 << 10;
// Allowance for timers and thread hand-over around a deadline.
constexpr int kToleranceMs = 1000;

// Runs this thread's event loop (the servers live here) until done() or the timeout.
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

bool checkEnded()
{
    return waitForUpdateCheck(0);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A header line of exactly size bytes, line end included.
QByteArray headerLine(int size)
{
    return "X-Filler: " + QByteArray(size - 12, 'a') + "\r\n";
}

QByteArray repeated(const QByteArray& piece, int count)
{
    QByteArray result;
    for (int i = 0; i < count; ++i)
        result += piece;
    return result;
}

QByteArray ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray kVersionFile = "[Gerneral]\r\nmajor_version=3\r\nminor_version=0\r\nbuild=1\r\n";

enum Server
{
    Plain,
    Trusted,
    Untrusted,
};

} // namespace

class UpdateHttpTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hostileServer_data();
    void hostileServer();
    void responses_data();
    void responses();

private:
    std::unique_ptr<QTemporaryDir> m_cache;
    std::unique_ptr<ScriptedHttpServer> m_servers[3];
};

void UpdateHttpTest::initTestCase()
{
    QVERIFY(ScriptedHttpServer::trustTestCertificate());
}

void UpdateHttpTest::init()
{
    m_cache = std::make_unique<QTemporaryDir>();
    setPreviewCacheFolderOverride(m_cache->filePath(QStringLiteral("Lumora Plenum")));
    QVERIFY(QDir().mkpath(PreviewCacheFolder()));
    const ScriptedHttpServer::Tls kinds[] = {ScriptedHttpServer::Tls::None,
                                             ScriptedHttpServer::Tls::TrustedCertificate,
                                             ScriptedHttpServer::Tls::UntrustedCertificate};
    for (int i = 0; i < 3; ++i) {
        m_servers[i] = std::make_unique<ScriptedHttpServer>(kinds[i]);
        QVERIFY(m_servers[i]->listen());
    }
    const QByteArray httpBase = m_servers[Plain]->url(QString()).toEncoded();
    const QByteArray httpsBase = m_servers[Trusted]->url(QString()).toEncoded();
    for (auto& server : m_servers)
        server->setBases(httpBase, httpsBase);
    qputenv(kUpdateUrlVariable, m_servers[Plain]->url(kVersionPath).toEncoded());
    setUpdateCheckQuiet(true);
    setUpdateTargetWindow(nullptr);
}

void UpdateHttpTest::cleanup()
{
    // A check still running here could only be one of the old, unbounded kind: ending the
    // connections from the server's side ends it too.
    for (auto& server : m_servers)
        server->closeConnections();
    QVERIFY(waitUntil(checkEnded, 30000));
    setUpdateTargetWindow(nullptr);
    for (auto& server : m_servers)
        server.reset();
    setPreviewCacheFolderOverride(QString());
    qunsetenv(kUpdateUrlVariable);
}

void UpdateHttpTest::hostileServer_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("unit"); // sent without end after the head
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<qint64>("minBytes"); // what the server must have sent when the check ended
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<int>("minMs"); // when the check must end
    QTest::addColumn<int>("maxMs");

    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const qint64 headBound = kMaxHeaderBytes + kBufferSlack;
    const qint64 bodyBound = kMaxHeaderBytes + kMaxDownloadBytes + kBufferSlack;
    const int deadline = kDownloadDeadlineMs + kToleranceMs;

    // Over a byte limit: the check reads up to the limit, then ends long before the deadline.
    QTest::newRow("endless header lines")
        << ok << headerLine(1024) << 1 << kMaxHeaderBytes << headBound << 0 << deadline;
    QTest::newRow("one endless header line")
        << ok + "X-Filler: " << QByteArray(1024, 'a') << 1 << kMaxHeaderBytes << headBound << 0 << deadline;
    QTest::newRow("endless interim responses")
        << QByteArray() << "HTTP/1.1 100 Continue\r\n" + headerLine(999) + "\r\n"
        << 1 << kMaxHeaderBytes << headBound << 0 << deadline;
    QTest::newRow("endless trailers")
        << chunked + "5\r\nhello\r\n0\r\n"
        << headerLine(1024) << 1 << kMaxHeaderBytes << headBound << 0 << deadline;
    QTest::newRow("endless body until close")
        << ok + "\r\n"
        << QByteArray(8192, 'x') << 1 << kMaxDownloadBytes << bodyBound << 0 << deadline;
    QTest::newRow("endless chunks") << chunked << "2000\r\n" + QByteArray(8192, 'x') + "\r\n"
                                    << 1 << kMaxDownloadBytes << bodyBound << 0 << deadline;
    QTest::newRow("endless one-byte chunks")
        << chunked << repeated("1\r\nx\r\n", 200) << 1 << kMaxHeaderBytes << bodyBound << 0 << deadline;
    // Over a time limit.
    QTest::newRow("stalls after the head")
        << ok + "Content-Length: 100\r\n\r\nabc" << QByteArray() << 0 << qint64(0) << headBound
        << kDownloadTimeoutMs - kToleranceMs << kDownloadDeadlineMs - kToleranceMs;
    QTest::newRow("one body byte a second") << ok + "Content-Length: 100000\r\n\r\n"
                                            << QByteArray("x") << 1000 << qint64(0) << headBound
                                            << kDownloadDeadlineMs - kToleranceMs << deadline;
}

void UpdateHttpTest::hostileServer()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, unit);
    QFETCH(int, intervalMs);
    QFETCH(qint64, minBytes);
    QFETCH(qint64, maxBytes);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    ScriptedHttpServer& server = *m_servers[Plain];
    server.setScript(kVersionPath, {head, unit, intervalMs, true});
    const QString local = updateVersionFilePath();
    QVERIFY(writeFile(local, "previous copy"));

    MessageCollector window;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(startAutomaticUpdateCheck(&window, kProgram, true));
    // Waits for the check, but no longer than its deadline allows and no further than the
    // byte bound, so that an unbounded check fails the test soon.
    waitUntil([&] { return checkEnded() || server.sentBytes() > maxBytes; }, maxMs + kToleranceMs);
    const qint64 elapsed = clock.elapsed();
    const qint64 sent = server.sentBytes();
    if (!checkEnded())
        QFAIL(qPrintable(QStringLiteral("the check was still running after %1 ms, having taken %2 bytes")
                             .arg(elapsed)
                             .arg(sent)));
    QCoreApplication::sendPostedEvents();

    QCOMPARE(window.numbers(), QList<int>{UpdateCheckFailedMessage});
    QVERIFY2(
        elapsed >= minMs && elapsed <= maxMs,
        qPrintable(
            QStringLiteral("ended after %1 ms, expected %2 to %3 ms").arg(elapsed).arg(minMs).arg(maxMs)));
    QVERIFY2(sent >= minBytes && sent <= maxBytes,
             qPrintable(QStringLiteral("the server sent %1 bytes, expected %2 to %3")
                            .arg(sent)
                            .arg(minBytes)
                            .arg(maxBytes)));
    // The client closed its end: the server's connection ends without the server's doing.
    QVERIFY(waitUntil([&] { return server.openConnections() == 0; }, 5000));
    QCOMPARE(server.requestCount(kVersionPath), 1);
    QCOMPARE(readAll(local), QByteArray("previous copy"));
}

void UpdateHttpTest::responses_data()
{
    QTest::addColumn<int>("start");           // the server asked first; the others answer kVersionFile
    QTest::addColumn<QByteArray>("head");     // its whole answer, after which it closes
    QTest::addColumn<QByteArray>("expected"); // the downloaded file; empty when the download fails
    QTest::addColumn<QString>("reason");      // part of the failure's sentence
    QTest::addColumn<int>("requests");        // that the first server received

    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n";
    const QByteArray redirect = "HTTP/1.1 302 Found\r\nContent-Length: 0\r\nLocation: ";
    QTest::newRow("chunks with extensions and trailers")
        << int(Plain)
        << chunked + "C;part=1\r\n[Gerneral]\r\n\r\n" +
               "2B\r\nmajor_version=3\r\nminor_version=0\r\nbuild=1\r\n\r\n" + "0\r\nX-Checksum: none\r\n\r\n"
        << kVersionFile << QString() << 1;
    QTest::newRow("body until the connection closes")
        << int(Plain) << "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + kVersionFile << kVersionFile
        << QString() << 1;
    QTest::newRow("interim response, bare line feeds, folded field, bytes past the length")
        << int(Plain)
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\n"
                      "HTTP/1.1 200 OK\nX-Folded: a\n\tb\ncontent-length: 5\n\n"
                      "helloEXTRA")
        << QByteArray("hello") << QString() << 1;
    QTest::newRow("the same length twice")
        << int(Plain)
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5, 5\r\n\r\nhello")
        << QByteArray("hello") << QString() << 1;
    QTest::newRow("conflicting lengths")
        << int(Plain) << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello!")
        << QByteArray() << "Content-Length" << 1;
    QTest::newRow("chunked body cut short")
        << int(Plain) << chunked + "10\r\nabc" << QByteArray() << "closed before the whole response" << 1;
    QTest::newRow("malformed chunk size") << int(Plain) << chunked + "x1\r\nabc\r\n0\r\n\r\n"
                                          << QByteArray() << "chunk size" << 1;
    QTest::newRow("chunk longer than its size") << int(Plain) << chunked + "3\r\nabcdef\r\n0\r\n\r\n"
                                                << QByteArray() << "longer than its size" << 1;
    QTest::newRow("unsupported transfer coding")
        << int(Plain) << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n")
        << QByteArray() << "transfer coding" << 1;
    QTest::newRow("compressed body")
        << int(Plain)
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 3\r\n\r\nabc")
        << QByteArray() << "encoding" << 1;
    QTest::newRow("not an HTTP answer")
        << int(Plain) << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << QByteArray() << "not an HTTP" << 1;
    QTest::newRow("endless redirects") << int(Plain) << redirect + kVersionPath.toLatin1() + "\r\n\r\n"
                                       << QByteArray() << "redirected more than" << kMaxRedirects + 1;
    QTest::newRow("https") << int(Trusted) << ok(kVersionFile) << kVersionFile << QString() << 1;
    QTest::newRow("https with an untrusted certificate")
        << int(Untrusted) << ok(kVersionFile) << QByteArray() << "certificate" << 0;
    QTest::newRow("https redirected to http")
        << int(Trusted) << redirect + "%HTTP%" + kVersionPath.toLatin1() + "\r\n\r\n"
        << QByteArray() << "from https to http" << 1;
    QTest::newRow("http redirected to https")
        << int(Plain) << redirect + "%HTTPS%" + kVersionPath.toLatin1() + "\r\n\r\n"
        << kVersionFile << QString() << 1;
}

void UpdateHttpTest::responses()
{
    QFETCH(int, start);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, expected);
    QFETCH(QString, reason);
    QFETCH(int, requests);

    for (int i = 0; i < 3; ++i)
        m_servers[i]->setScript(kVersionPath, {i == start ? head : ok(kVersionFile), {}, 1, false});
    const QString local = m_cache->filePath(QStringLiteral("copy.ini"));
    QVERIFY(writeFile(local, "previous copy"));

    bool ok = false;
    QString error;
    const QUrl url = m_servers[start]->url(kVersionPath);
    std::unique_ptr<QThread> worker(QThread::create([&] { ok = DownloadUrlToFile(url, local, &error); }));
    worker->start();
    if (!waitUntil([&] { return worker->isFinished(); }, kDownloadDeadlineMs + kToleranceMs)) {
        // Ends the transfer from the servers' side so that the thread can end before the test.
        for (auto& server : m_servers)
            server->closeConnections();
        worker->wait(30000);
        QFAIL("the download did not end within its deadline");
    }
    worker->wait();

    QCOMPARE(ok, !expected.isEmpty());
    QCOMPARE(readAll(local), ok ? expected : QByteArray("previous copy"));
    if (!ok)
        QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(m_servers[start]->requestCount(kVersionPath), requests);
}

QTEST_GUILESS_MAIN(UpdateHttpTest)
#include "tst_UpdateHttp.moc"
