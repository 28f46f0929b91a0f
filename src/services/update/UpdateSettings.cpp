#include "services/update/UpdateSettings.h"

#include "services/folders/Folders.h"

namespace {

const char kDefaultVersionFileUrl[] = "https://lumora-plenum.org/update/lu_version.ini";
const char kDownloadPageUrl[] = "https://lumora-plenum.org/download/";

} // namespace

QUrl updateVersionFileUrl()
{
    const QString configured = qEnvironmentVariable(kUpdateUrlVariable).trimmed();
    if (!configured.isEmpty())
        return QUrl(configured);
    return QUrl(QString::fromLatin1(kDefaultVersionFileUrl));
}

QUrl downloadPageUrl()
{
    return QUrl(QString::fromLatin1(kDownloadPageUrl));
}

QString updateVersionFilePath()
{
    return joinPath(PreviewCacheFolder(), QStringLiteral("lu_version.ini"));
}
