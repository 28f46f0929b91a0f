#pragma once

// Running a tool of the system or a program of the build as a child process and reading what
// it printed. (ChildProcess measures what a run costs and can kill it at a chosen moment.)
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

struct ToolResult
{
    bool started = false;
    bool finished = false; // ended by itself within the time limit
    bool crashed = false;  // ended by a signal
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool succeeded() const { return finished && !crashed && exitCode == 0; }
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QStringList outLines() const { return outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    // For failure messages: how it ended and what it said on standard error.
    QString describe() const
    {
        QString how = !started    ? QStringLiteral("did not start")
                      : !finished ? QStringLiteral("did not end in time")
                      : crashed   ? QStringLiteral("crashed")
                                  : QStringLiteral("exit %1").arg(exitCode);
        return how + QStringLiteral("; stderr: ") + errText().left(4000);
    }
};

// Runs `program` (a path, or a name found on PATH) with standard input empty and waits up to
// `timeoutSeconds`; a program still running then is killed.
inline ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutSeconds,
                          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                          const QString& workingDirectory = QString())
{
    ToolResult result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    result.started = process.waitForStarted(30000);
    if (!result.started)
        return result;
    result.finished = process.waitForFinished(timeoutSeconds * 1000);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The path of a tool of the system, empty when it is not installed.
inline QString findTool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

// The tools among `names` that are not installed, for a skip message.
inline QStringList missingTools(const QStringList& names)
{
    QStringList missing;
    for (const QString& name : names) {
        if (findTool(name).isEmpty())
            missing.append(name);
    }
    return missing;
}
