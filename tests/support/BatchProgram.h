#pragma once

// Running the build's lumora-batch as a child process.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct BatchRun
{
    int exitCode = -1; // -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;

    // The lines printed, without their line breaks.
    static QStringList lines(const QByteArray& text)
    {
        QStringList result = QString::fromUtf8(text).split(QLatin1Char('\n'));
        if (!result.isEmpty() && result.constLast().isEmpty())
            result.removeLast();
        return result;
    }
    QStringList outLines() const { return lines(out); }
    QStringList errLines() const { return lines(err); }
};

inline QString batchProgramPath()
{
    return QStringLiteral(LUMORA_BIN_DIR "/lumora-batch");
}

// Runs lumora-batch with `arguments` in `environment` (see support/IsolatedHome.h) and
// `workingDirectory` (when given), feeding it `input` on standard input; a run still going
// after `timeoutSeconds` is killed.
inline BatchRun runBatch(const QStringList& arguments, const QProcessEnvironment& environment,
                         const QString& workingDirectory = {}, const QByteArray& input = {},
                         int timeoutSeconds = 120)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(batchProgramPath(), arguments);
    BatchRun result;
    if (!process.waitForStarted(30000))
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
