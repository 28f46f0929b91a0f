#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QDeadlineTimer;

// A small HTTP/1.1 client for one GET over a socket of its own (QTcpSocket, or QSslSocket for
// https with the system's certificate checks), bounded in time and in every byte it accepts:
//  - the whole transfer (name lookup, connection, TLS handshake, every response, redirects)
//    ends after Limits::deadlineMs, however steadily the server sends;
//  - a transfer that receives and sends nothing for Limits::stallMs ends at once;
//  - each response may take Limits::maxHeadBytes of head (see HttpResponseReader) and
//    Limits::maxBodyBytes of body; the socket's read buffer is bounded too, so a server that
//    sends faster than the client reads is held back by the kernel, not buffered in memory;
//  - redirects (301, 302, 303, 307, 308) are followed Limits::maxRedirects times at most and
//    never from https to http.
// The request goes out directly (no proxy), asks for no cache and no compression, and closes
// the connection after one response. Each connection is closed and freed before get() returns.
// Runs its own event loop and blocks; call it from a worker thread.
class HttpGetClient
{
public:
    struct Limits
    {
        int deadlineMs;
        int stallMs;
        qint64 maxHeadBytes;
        qint64 maxBodyBytes;
        int maxRedirects;
    };

    // Takes the next piece of the final response's body; false stops the transfer.
    using BodySink = std::function<bool(const char* data, qint64 size)>;

    explicit HttpGetClient(const Limits& limits) : m_limits(limits) {}

    // Fetches url and hands the body of the final response, which must have a 2xx status, to
    // sink. Returns an empty string on success, otherwise a sentence that says what failed.
    // After a failure the sink may have received part of a body.
    QString get(const QUrl& url, const BodySink& sink) const;

private:
    struct Hop
    {
        QString error;
        bool redirected = false;
        QUrl location; // as sent by the server, possibly relative
    };

    Hop getOnce(const QUrl& url, const QDeadlineTimer& deadline, const BodySink& sink) const;

    Limits m_limits;
};
