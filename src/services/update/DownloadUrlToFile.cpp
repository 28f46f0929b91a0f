#include "services/update/DownloadUrlToFile.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

#include <memory>

bool DownloadUrlToFile(const QUrl& url, const QString& localPath)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;

    QSaveFile file(localPath);
    // Unbuffered: a write that fails (disk full) fails at once; QSaveFile would not notice a
    // failure of the final flush in commit() and would keep a cut-off file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kDownloadTimeoutMs);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    bool failed = false;
    qint64 received = 0;
    auto copyAvailable = [&] {
        char chunk[kDownloadChunkBytes];
        while (!failed) {
            const qint64 got = reply->read(chunk, sizeof chunk);
            if (got <= 0)
                break;
            received += got;
            if (received > kMaxDownloadBytes || file.write(chunk, got) != got) {
                failed = true;
                reply->abort();
            }
        }
    };
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, copyAvailable);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    copyAvailable();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool complete =
        !failed && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    if (!complete) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
