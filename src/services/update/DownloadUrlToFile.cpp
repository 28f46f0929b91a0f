#include "services/update/DownloadUrlToFile.h"

#include "services/update/HttpGetClient.h"

#include <QSaveFile>

bool DownloadUrlToFile(const QUrl& url, const QString& localPath, QString* reason)
{
    auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return fail(QStringLiteral("cannot download %1: not an http or https address")
                        .arg(url.toDisplayString().left(200)));

    QSaveFile file(localPath);
    // Unbuffered: a write that fails (disk full) fails at once; QSaveFile would not notice a
    // failure of the final flush in commit() and would keep a cut-off file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot write %1: %2").arg(localPath, file.errorString()));

    const HttpGetClient client(
        {kDownloadDeadlineMs, kDownloadTimeoutMs, kMaxHeaderBytes, kMaxDownloadBytes, kMaxRedirects});
    const QString error =
        client.get(url, [&file](const char* data, qint64 size) { return file.write(data, size) == size; });
    if (!error.isEmpty()) {
        file.cancelWriting();
        return fail(error);
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(localPath, file.errorString()));
    return true;
}
