#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include "services/folders/Folders.h"

// A fresh data, documents and cache folder for one test; the process-wide folders point
// into it while it lives.
class TempDataFolder
{
public:
    TempDataFolder()
    {
        setAppDataFolderOverride(data());
        setDocumentsFolderOverride(m_dir.filePath(QStringLiteral("documents/Lumora Plenum")));
        setPreviewCacheFolderOverride(m_dir.filePath(QStringLiteral("cache/Lumora Plenum")));
        setTemplatesFolder(templates());
    }
    ~TempDataFolder()
    {
        setAppDataFolderOverride(QString());
        setDocumentsFolderOverride(QString());
        setPreviewCacheFolderOverride(QString());
        setTemplatesFolder(QString());
    }
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    QString root() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    QString templates() const { return data() + QStringLiteral("/templates"); }
    QString templateFile(const QString& name) const
    {
        return templates() + QLatin1Char('/') + name + QStringLiteral(".xml");
    }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool write(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    // Every file below the root with its content, to show that nothing changed.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(root(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, it.fileInfo().isFile() ? read(path) : QByteArray("<folder>"));
        }
        return files;
    }

private:
    QTemporaryDir m_dir;
};
