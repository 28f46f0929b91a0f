#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the tests: answers GET requests by path with a
// configured response, counts the requests and can hold answers back until released.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray location;   // sent as the Location header when set
        bool cutShort = false; // announce more bytes than are sent, then close
    };

    bool listen();
    QUrl url(const QString& path) const;
    void setResponse(const QString& path, const Response& response);
    // While holding, requests are read and counted but answered only on release().
    void setHolding(bool holding);
    void release();
    int requestCount(const QString& path) const { return m_requests.value(path); }
    int totalRequests() const;
    void close();

private:
    void onConnection();
    void onReadyRead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QString& path);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPair<QPointer<QTcpSocket>, QString>> m_held;
    bool m_holding = false;
};
