#include "services/folders/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include "services/folders/FolderTree.h"

namespace {

struct FolderOverrides
{
    QMutex mutex;
    QString appData;
    QString documents;
    QString previewCache;
    QString templates;
};

FolderOverrides& overrides()
{
    static FolderOverrides instance;
    return instance;
}

QString readOverride(QString FolderOverrides::*member)
{
    FolderOverrides& o = overrides();
    QMutexLocker lock(&o.mutex);
    return o.*member;
}

void writeOverride(QString FolderOverrides::*member, const QString& path)
{
    FolderOverrides& o = overrides();
    QMutexLocker lock(&o.mutex);
    o.*member = path.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(path));
}

// The product folder inside a standard location, with the "/Profile" fallback beside
// the program when the platform gives no such location.
QString productFolderIn(QStandardPaths::StandardLocation location)
{
    const QString base = QStandardPaths::writableLocation(location);
    if (base.isEmpty())
        return joinPath(GetProgramFolder(), QStringLiteral("Profile"));
    return joinPath(base, QLatin1String(kProductFolderName));
}

QString createdFolder(const QString& path)
{
    CreateFolderPath(path);
    return path;
}

} // namespace

QString GetProgramFolder()
{
    if (!QCoreApplication::instance())
        return QStringLiteral(".");
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

QString getProgramDataFolder()
{
    const QString program = GetProgramFolder();
    if (QFileInfo(joinPath(program, QStringLiteral("skin"))).isDir())
        return program;
    const QString installed = QDir::cleanPath(program + QStringLiteral("/../share/lumora-plenum"));
    return QFileInfo(installed).isDir() ? installed : program;
}

QString appDataFolderPath()
{
    const QString path = readOverride(&FolderOverrides::appData);
    return path.isEmpty() ? productFolderIn(QStandardPaths::GenericDataLocation) : path;
}

QString GetAppDataFolder()
{
    return createdFolder(appDataFolderPath());
}

QString documentsFolderPath()
{
    const QString path = readOverride(&FolderOverrides::documents);
    return path.isEmpty() ? productFolderIn(QStandardPaths::DocumentsLocation) : path;
}

QString GetDocumentsFolder()
{
    return createdFolder(documentsFolderPath());
}

QString PreviewCacheFolder()
{
    const QString path = readOverride(&FolderOverrides::previewCache);
    if (!path.isEmpty())
        return path;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        return joinPath(QDir::tempPath(), QLatin1String(kProductFolderName));
    return joinPath(base, QLatin1String(kProductFolderName));
}

void setAppDataFolderOverride(const QString& path)
{
    writeOverride(&FolderOverrides::appData, path);
}

void setDocumentsFolderOverride(const QString& path)
{
    writeOverride(&FolderOverrides::documents, path);
}

void setPreviewCacheFolderOverride(const QString& path)
{
    writeOverride(&FolderOverrides::previewCache, path);
}

void setTemplatesFolder(const QString& path)
{
    writeOverride(&FolderOverrides::templates, path);
}

QString getTemplatesFolder()
{
    const QString path = readOverride(&FolderOverrides::templates);
    if (!path.isEmpty())
        return path;
    return joinPath(GetAppDataFolder(), QStringLiteral("templates"));
}

void initTemplatesFolder()
{
    setTemplatesFolder(joinPath(GetAppDataFolder(), QStringLiteral("templates")));
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}
