#include "app/FileBrowser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
bool askFileManager(const QString& filePath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString existingFolder(const QString& path)
{
    QFileInfo info(path);
    QDir dir = info.isDir() ? QDir(path) : info.dir();
    while (!dir.exists() && !dir.isRoot()) {
        if (!dir.cdUp())
            break;
    }
    return dir.absolutePath();
}
} // namespace

void showInFileBrowser(const QString& filePath)
{
    if (qEnvironmentVariable("LUMORA_NO_FILE_MANAGER") == QLatin1String("1") || filePath.isEmpty())
        return;
    if (QFileInfo::exists(filePath) && askFileManager(filePath))
        return;
    const QUrl folder = QUrl::fromLocalFile(existingFolder(filePath));
    // Opening a folder starts a program; do it from the user-interface thread.
    QMetaObject::invokeMethod(
        qApp, [folder]() { QDesktopServices::openUrl(folder); }, Qt::QueuedConnection);
}
