#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QTcpServer;
class QTcpSocket;
class QTimer;

// A server on 127.0.0.1 that answers each GET with raw bytes written by the test, for
// responses a well-behaved server would never send: after the request it sends the script's
// head, then (when the script has a unit) the unit again and again, one per interval and
// without end, until the client closes the connection or the server is closed. A unit is only
// handed on while the previous one has left the server's buffer, so a client that stops
// reading holds the server back, and sentBytes() counts what the client's side of the
// connection accepted. With TLS the server presents a certificate from tests/update/data.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Script
    {
        QByteArray head; // sent once the request has arrived ("%HTTP%", "%HTTPS%": see url())
        QByteArray unit; // then sent without end, one per intervalMs
        int intervalMs = 1;
        bool keepOpen = false; // without a unit: leave the connection open after the head
    };
    enum class Tls
    {
        None,
        TrustedCertificate,   // the certificate that trustTestCertificate() makes trusted
        UntrustedCertificate, // a certificate no one trusts
    };

    // Makes the trusted test certificate a trusted root for every TLS connection of this process.
    static bool trustTestCertificate();

    explicit ScriptedHttpServer(Tls tls = Tls::None);
    ~ScriptedHttpServer() override;

    bool listen();
    // http://127.0.0.1:port/path (https:// with TLS).
    QUrl url(const QString& path) const;
    // "%HTTP%" and "%HTTPS%" in a script's head are replaced by these bases (no trailing slash).
    void setBases(const QByteArray& http, const QByteArray& https);
    void setScript(const QString& path, const Script& script);

    qint64 sentBytes() const { return m_sentBytes; }
    int requestCount(const QString& path) const { return m_requests.value(path); }
    int openConnections() const;
    // Ends every connection from the server's side.
    void closeConnections();

private:
    void onConnection();
    void onReadyRead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QString& path);
    void sendUnit(QTcpSocket* socket, QTimer* timer, const QByteArray& unit);

    Tls m_tls;
    std::unique_ptr<QTcpServer> m_server;
    QByteArray m_httpBase;
    QByteArray m_httpsBase;
    QHash<QString, Script> m_scripts;
    QHash<QString, int> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_connections;
    qint64 m_sentBytes = 0;
};
