#include "app/FileBrowser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
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

QString tr(const char* text)
{
    return QCoreApplication::translate("FileBrowser", text);
}

// Opens the folder with xdg-open, as the desktop's own "open" does, and watches its end: the
// process is what says whether a file manager could be found. Without a parent, so that a
// file manager that xdg-open runs in its place outlives the program.
void openFolder(const QString& folder, const std::function<void(const QString&)>& problem)
{
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({folder});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, problem](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         if (problem)
                             problem(tr("无法启动 xdg-open（%1）。").arg(process->errorString()));
                         process->deleteLater();
                     });
    QObject::connect(
        process, &QProcess::finished, process, [process, problem](int code, QProcess::ExitStatus) {
            if (code != 0 && problem) {
                // xdg-open says what went wrong on its last line ("xdg-open: no method available").
                const QStringList lines = QString::fromLocal8Bit(process->readAllStandardError())
                                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                problem(lines.isEmpty() ? tr("xdg-open 以代码 %1 结束。").arg(code) : lines.last().trimmed());
            }
            process->deleteLater();
        });
    process->start();
}
} // namespace

void showInFileBrowser(const QString& filePath, std::function<void(const QString& problem)> problem)
{
    if (qEnvironmentVariable("LUMORA_NO_FILE_MANAGER") == QLatin1String("1") || filePath.isEmpty())
        return;
    if (QFileInfo::exists(filePath) && askFileManager(filePath))
        return;
    const QString folder = existingFolder(filePath);
    // Starting a program belongs to the user-interface thread.
    QMetaObject::invokeMethod(
        qApp, [folder, problem = std::move(problem)]() { openFolder(folder, problem); },
        Qt::QueuedConnection);
}
