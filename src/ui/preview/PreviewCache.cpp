#include "ui/preview/PreviewCache.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "services/folders/Folders.h"

namespace PreviewCache {

namespace {
struct Written
{
    QMutex mutex;
    QHash<QString, QByteArray> fingerprints;
};

Written& written()
{
    static Written instance;
    return instance;
}
} // namespace

void remember(const QString& cachePath, const QByteArray& fingerprint)
{
    Written& w = written();
    QMutexLocker lock(&w.mutex);
    w.fingerprints.insert(cachePath, fingerprint);
}

bool isCurrent(const QString& cachePath, const QByteArray& fingerprint)
{
    Written& w = written();
    QMutexLocker lock(&w.mutex);
    const auto found = w.fingerprints.constFind(cachePath);
    return found != w.fingerprints.constEnd() && *found == fingerprint;
}

QString relativeFolder(const QString& photo)
{
    // Cleaned first, so that no ".." is left to lead out of the cache.
    const QString photoPath = QDir::cleanPath(photo);
    const qsizetype lastSlash = photoPath.lastIndexOf(QLatin1Char('/'));
    if (lastSlash < 0)
        return QString();
    const QString folder = photoPath.left(lastSlash);
    // The first component is what precedes the first "/": empty for an absolute path.
    QStringList parts = folder.split(QLatin1Char('/'));
    parts.removeFirst();
    // A relative path may keep leading ".." after cleaning; they never lead out of the cache.
    parts.removeAll(QStringLiteral(".."));
    return parts.join(QLatin1Char('/'));
}

QString folderFor(const QString& photoPath)
{
    const QString folder =
        QStringLiteral("%1/%2/%3").arg(PreviewCacheFolder()).arg(kNoDrive).arg(relativeFolder(photoPath));
    return QDir::cleanPath(folder);
}

QString pathFor(const QString& photoPath)
{
    const QString cleaned = QDir::cleanPath(photoPath);
    const QString name = cleaned.mid(cleaned.lastIndexOf(QLatin1Char('/')) + 1);
    return folderFor(photoPath) + QLatin1Char('/') + name;
}

} // namespace PreviewCache
