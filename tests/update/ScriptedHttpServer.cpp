#include "ScriptedHttpServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray readTestData(const QString& name)
{
    QFile file(QStringLiteral(LUMORA_SOURCE_DIR "/tests/update/data/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The server's kernel send buffer: small, so that a client that stops reading soon blocks the
// server's writes instead of letting the kernel take megabytes on its behalf.
constexpr int kServerSendBufferBytes = 16384;

} // namespace

bool ScriptedHttpServer::trustTestCertificate()
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(readTestData("trusted-cert.pem"));
    if (certificates.isEmpty())
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(certificates);
    QSslConfiguration::setDefaultConfiguration(configuration);
    return true;
}

ScriptedHttpServer::ScriptedHttpServer(Tls tls) : m_tls(tls)
{
    if (tls == Tls::None) {
        m_server = std::make_unique<QTcpServer>();
    } else {
        const QString name =
            tls == Tls::TrustedCertificate ? QStringLiteral("trusted") : QStringLiteral("untrusted");
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(readTestData(name + "-cert.pem")));
        configuration.setPrivateKey(QSslKey(readTestData(name + "-key.pem"), QSsl::Ec));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(configuration);
        m_server = std::move(server);
    }
    // A TLS server offers a connection once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::onConnection);
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    closeConnections();
}

bool ScriptedHttpServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QUrl ScriptedHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(m_tls == Tls::None ? QStringLiteral("http") : QStringLiteral("https"))
                    .arg(m_server->serverPort())
                    .arg(path));
}

void ScriptedHttpServer::setBases(const QByteArray& http, const QByteArray& https)
{
    m_httpBase = http;
    m_httpsBase = https;
}

void ScriptedHttpServer::setScript(const QString& path, const Script& script)
{
    m_scripts.insert(path, script);
}

int ScriptedHttpServer::openConnections() const
{
    int open = 0;
    for (const QPointer<QTcpSocket>& socket : m_connections)
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    return open;
}

void ScriptedHttpServer::closeConnections()
{
    const auto connections = m_connections;
    m_connections.clear();
    for (const QPointer<QTcpSocket>& socket : connections) {
        if (socket) {
            socket->abort();
            socket->deleteLater();
        }
    }
}

void ScriptedHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kServerSendBufferBytes);
        m_connections.append(socket);
        connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64 written) { m_sentBytes += written; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
        // Bytes that arrived with the handshake do not signal again.
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket* socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll(); // what the client sends after its request is of no interest
        return;
    }
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    if (buffer.indexOf("\r\n\r\n") < 0)
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    m_pending.remove(socket);
    socket->setProperty("answered", true);
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
    m_requests[path] += 1;
    respond(socket, path);
}

void ScriptedHttpServer::respond(QTcpSocket* socket, const QString& path)
{
    const Script script =
        m_scripts.value(path, Script{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", {}, 1, false});
    QByteArray head = script.head;
    head.replace("%HTTPS%", m_httpsBase);
    head.replace("%HTTP%", m_httpBase);
    socket->write(head);
    if (!script.unit.isEmpty()) {
        auto* timer = new QTimer(socket);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(script.intervalMs);
        connect(timer, &QTimer::timeout, socket,
                [this, socket, timer, unit = script.unit] { sendUnit(socket, timer, unit); });
        timer->start();
    } else if (!script.keepOpen) {
        socket->disconnectFromHost(); // once the head is written
    }
}

void ScriptedHttpServer::sendUnit(QTcpSocket* socket, QTimer* timer, const QByteArray& unit)
{
    if (socket->state() != QAbstractSocket::ConnectedState) {
        timer->stop();
        return;
    }
    // Hands on the next unit only when the kernel took the previous one.
    if (socket->bytesToWrite() > 0)
        return;
    socket->write(unit);
}
