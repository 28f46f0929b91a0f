#include "services/update/DownloadUrlToFile.h"

#include "services/update/HttpGetClient.h"

#include "services/files/AtomicFileWriter.h"

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

    AtomicFileWriter file(localPath);
    const Outcome opened = file.open();
    if (!opened)
        return fail(opened.sentence());

    const HttpGetClient client(
        {kDownloadDeadlineMs, kDownloadTimeoutMs, kMaxHeaderBytes, kMaxDownloadBytes, kMaxRedirects});
    const QString error =
        client.get(url, [&file](const char* data, qint64 size) { return file.write(data, size); });
    if (!error.isEmpty()) {
        file.discard();
        return fail(error);
    }
    const Outcome committed = file.commit();
    if (!committed)
        return fail(committed.sentence());
    return true;
}
