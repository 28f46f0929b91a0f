#include "services/skin/SkinResources.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {
QMutex pathLock;
QString storedInstancePath;
QString storedResourcePath;

// The two paths are read and set from any thread.
QString loadPath(const QString& path)
{
    QMutexLocker lock(&pathLock);
    return path;
}

void storePath(QString& path, const QString& value)
{
    QMutexLocker lock(&pathLock);
    path = value;
}
} // namespace

QString SkinResources::withSlash(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

void SkinResources::setInstancePath(const QString& path)
{
    storePath(storedInstancePath, withSlash(path));
}

QString SkinResources::instancePath()
{
    return loadPath(storedInstancePath);
}

void SkinResources::SetResourcePath(const QString& path)
{
    storePath(storedResourcePath, withSlash(path));
}

QString SkinResources::resourcePath()
{
    return loadPath(storedResourcePath);
}

QString SkinResources::resolvePicture(const QString& reference)
{
    QString file = reference.trimmed();
    static const QRegularExpression fileForm(QStringLiteral("file\\s*=\\s*'([^']*)'"));
    const QRegularExpressionMatch match = fileForm.match(file);
    if (match.hasMatch())
        file = match.captured(1);
    if (file.isEmpty())
        return QString();
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(file))
        return QDir::cleanPath(file);
    return QDir::cleanPath(resourcePath() + file);
}

QPixmap SkinResources::loadPicture(const QString& path)
{
    if (path.isEmpty())
        return QPixmap();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1.0 && dot > path.lastIndexOf(QLatin1Char('/'))) {
        const QString twice = QString(path).insert(dot, QStringLiteral("@2x"));
        if (QFileInfo::exists(twice)) {
            QPixmap picture(twice);
            if (!picture.isNull()) {
                picture.setDevicePixelRatio(2.0);
                return picture;
            }
        }
    }
    return QPixmap(path);
}
