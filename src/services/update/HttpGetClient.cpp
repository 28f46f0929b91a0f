#include "services/update/HttpGetClient.h"

#include "services/update/HttpResponseReader.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

// Bytes taken from the socket at a time.
constexpr qint64 kReadPieceBytes = 8192;
// Qt reads at most this much from the kernel ahead of the client; beyond it the kernel's
// receive window fills and the server's writes wait.
constexpr qint64 kSocketBufferBytes = 65536;

bool isSecure(const QUrl& url)
{
    return url.scheme() == QLatin1String("https");
}

quint16 portOf(const QUrl& url)
{
    return quint16(url.port(isSecure(url) ? 443 : 80));
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QByteArray requestFor(const QUrl& url)
{
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1 && url.port() != (isSecure(url) ? 443 : 80))
        host += ':' + QByteArray::number(url.port());
    const QByteArray version = QByteArray::number(LUMORA_VERSION_MAJOR) + '.' +
                               QByteArray::number(LUMORA_VERSION_MINOR) + '.' +
                               QByteArray::number(LUMORA_VERSION_PATCH);
    return "GET " + target + " HTTP/1.1\r\n" + "Host: " + host + "\r\n" + "User-Agent: Lumora-Plenum/" +
           version + "\r\n" + "Accept: */*\r\n" + "Accept-Encoding: identity\r\n" +
           "Cache-Control: no-cache\r\n" + "Pragma: no-cache\r\n" + "Connection: close\r\n" + "\r\n";
}

} // namespace

QString HttpGetClient::get(const QUrl& url, const BodySink& sink) const
{
    const QDeadlineTimer deadline(m_limits.deadlineMs, Qt::PreciseTimer);
    QUrl current = url;
    for (int redirects = 0;; ++redirects) {
        const QString scheme = current.scheme();
        if (!current.isValid() || current.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return QStringLiteral("cannot download %1: not an http or https address")
                .arg(current.toDisplayString().left(200));
        const Hop hop = getOnce(current, deadline, sink);
        if (!hop.error.isEmpty())
            return hop.error;
        if (!hop.redirected)
            return QString();
        if (redirects >= m_limits.maxRedirects)
            return QStringLiteral("the server redirected more than %1 times").arg(m_limits.maxRedirects);
        const QUrl next = current.resolved(hop.location);
        // The same rule as a browser's: a redirect may keep or raise the protection, never drop it.
        if (isSecure(current) && !isSecure(next))
            return QStringLiteral("refused a redirect from https to %1").arg(next.scheme().left(20));
        current = next;
    }
}

HttpGetClient::Hop HttpGetClient::getOnce(const QUrl& url, const QDeadlineTimer& deadline,
                                          const BodySink& sink) const
{
    const bool secure = isSecure(url);
    if (secure && !QSslSocket::supportsSsl())
        return {QStringLiteral("cannot use https: no TLS library is available"), false, {}};
    std::unique_ptr<QTcpSocket> socket;
    if (secure)
        socket = std::make_unique<QSslSocket>();
    else
        socket = std::make_unique<QTcpSocket>();
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->setReadBufferSize(kSocketBufferBytes);

    HttpResponseReader reader(m_limits.maxHeadBytes, m_limits.maxBodyBytes);
    QEventLoop loop;
    Hop hop;
    bool finished = false;
    bool headAccepted = false;
    auto finish = [&](const QString& error) {
        if (finished)
            return;
        finished = true;
        hop.error = error;
        loop.quit();
    };

    QTimer stall;
    stall.setSingleShot(true);
    stall.setTimerType(Qt::PreciseTimer);
    stall.setInterval(m_limits.stallMs);
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        finish(QStringLiteral("the server sent nothing for %1 s").arg(seconds(m_limits.stallMs)));
    });
    QTimer overall;
    overall.setSingleShot(true);
    overall.setTimerType(Qt::PreciseTimer);
    QObject::connect(&overall, &QTimer::timeout, &loop, [&] {
        finish(QStringLiteral("the transfer took longer than %1 s").arg(seconds(m_limits.deadlineMs)));
    });

    // Decides, once the final response's head is complete, whether its body is wanted.
    auto acceptHead = [&] {
        const int status = reader.status();
        if (isRedirect(status)) {
            const QByteArray location = reader.header("Location").trimmed();
            if (location.isEmpty()) {
                finish(QStringLiteral("the server redirected without naming a new address"));
                return false;
            }
            hop.redirected = true;
            hop.location = QUrl::fromEncoded(location);
            finish(QString());
            return false;
        }
        if (status < 200 || status > 299) {
            finish(QStringLiteral("the server answered with status %1").arg(status));
            return false;
        }
        // Only an unencoded body was asked for; a compressed one would be stored as garbage.
        const QByteArray encoding = reader.header("Content-Encoding").trimmed();
        if (!encoding.isEmpty() && encoding.compare("identity", Qt::CaseInsensitive) != 0) {
            finish(QStringLiteral("the server sent the body in an encoding that was not asked for: %1")
                       .arg(QString::fromLatin1(encoding.left(40))));
            return false;
        }
        return true;
    };

    QByteArray body;
    auto take = [&](HttpResponseReader::State state) {
        if (state == HttpResponseReader::State::Failed) {
            finish(reader.error());
            return;
        }
        if (state == HttpResponseReader::State::Head)
            return;
        if (!headAccepted) {
            if (!acceptHead())
                return;
            headAccepted = true;
        }
        if (!body.isEmpty() && !sink(body.constData(), body.size())) {
            finish(QStringLiteral("cannot store the downloaded data"));
            return;
        }
        if (state == HttpResponseReader::State::Done)
            finish(QString());
    };
    auto readAvailable = [&] {
        char piece[kReadPieceBytes];
        while (!finished) {
            const qint64 got = socket->read(piece, sizeof piece);
            if (got <= 0)
                return;
            stall.start();
            body.clear();
            take(reader.read(piece, got, body));
        }
    };
    auto connectionClosed = [&] {
        readAvailable();
        if (finished)
            return;
        body.clear();
        take(reader.closed());
    };

    const QByteArray request = requestFor(url);
    auto sendRequest = [&] {
        stall.start();
        socket->write(request);
    };
    if (secure)
        QObject::connect(static_cast<QSslSocket*>(socket.get()), &QSslSocket::encrypted, &loop, sendRequest);
    QObject::connect(socket.get(), &QTcpSocket::connected, &loop, [&] {
        if (secure)
            stall.start(); // the handshake follows
        else
            sendRequest();
    });
    QObject::connect(socket.get(), &QTcpSocket::bytesWritten, &loop, [&] { stall.start(); });
    QObject::connect(socket.get(), &QTcpSocket::readyRead, &loop, readAvailable);
    QObject::connect(socket.get(), &QTcpSocket::disconnected, &loop, connectionClosed);
    QObject::connect(socket.get(), &QTcpSocket::errorOccurred, &loop,
                     [&](QAbstractSocket::SocketError error) {
                         if (error == QAbstractSocket::RemoteHostClosedError) {
                             connectionClosed();
                             return;
                         }
                         finish(QStringLiteral("cannot reach %1: %2").arg(url.host(), socket->errorString()));
                     });

    stall.start();
    overall.start(int(std::clamp<qint64>(deadline.remainingTime(), 0, m_limits.deadlineMs)));
    if (secure)
        static_cast<QSslSocket*>(socket.get())->connectToHostEncrypted(url.host(), portOf(url));
    else
        socket->connectToHost(url.host(), portOf(url));
    if (!finished)
        loop.exec();

    // Close and free the connection at once, in whatever state it is; nothing may call back
    // into this function's objects any more.
    QObject::disconnect(socket.get(), nullptr, nullptr, nullptr);
    socket->abort();
    return hop;
}
