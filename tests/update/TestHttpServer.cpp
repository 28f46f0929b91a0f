#include "TestHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

bool TestHttpServer::listen()
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onConnection);
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void TestHttpServer::setResponse(const QString& path, const Response& response)
{
    m_responses.insert(path, response);
}

void TestHttpServer::setHolding(bool holding)
{
    m_holding = holding;
}

void TestHttpServer::release()
{
    m_holding = false;
    const auto held = m_held;
    m_held.clear();
    for (const auto& [socket, path] : held)
        if (socket)
            respond(socket, path);
}

int TestHttpServer::totalRequests() const
{
    int total = 0;
    for (int count : m_requests)
        total += count;
    return total;
}

void TestHttpServer::close()
{
    m_server.close();
}

void TestHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    m_pending.remove(socket);
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
    m_requests[path] += 1;
    if (m_holding)
        m_held.append({socket, path});
    else
        respond(socket, path);
}

void TestHttpServer::respond(QTcpSocket* socket, const QString& path)
{
    Response response;
    if (m_responses.contains(path)) {
        response = m_responses.value(path);
    } else {
        response.status = 404;
        response.body = "not found";
    }
    const qsizetype announced = response.body.size() + (response.cutShort ? 1000 : 0);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" +
                      "Content-Type: application/octet-stream\r\n" +
                      "Content-Length: " + QByteArray::number(announced) + "\r\n" + "Connection: close\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    socket->write(head + "\r\n" + response.body);
    socket->flush();
    socket->disconnectFromHost();
}
