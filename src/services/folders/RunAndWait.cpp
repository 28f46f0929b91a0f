#include "services/folders/RunAndWait.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

bool RunAndWait(const QString& program, const QStringList& arguments, bool wait, int timeoutMs,
                bool* timedOut)
{
    if (timedOut)
        *timedOut = false;
    if (program.isEmpty())
        return false;
    if (!wait)
        return QProcess::startDetached(program, arguments);

    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (process->waitForFinished(timeoutMs > 0 ? timeoutMs : -1)) {
        delete process;
        return true;
    }
    if (process->state() == QProcess::NotRunning) {
        delete process;
        return true;
    }
    // Time is up but the program goes on: deleting the QProcess would end it, so the object
    // is released once the program ends (through the event loop), or with the application.
    if (timedOut)
        *timedOut = true;
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() == QThread::currentThread())
        process->setParent(app);
    return true;
}
