#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Strings for execve(): the bytes, kept alive, and the null-terminated array of pointers to
// them. Built before fork(), so that the child only makes async-signal-safe calls.
class ExecStrings
{
public:
    explicit ExecStrings(std::vector<QByteArray> strings);
    // The program's environment as "NAME=value" strings.
    static ExecStrings environment(const QProcessEnvironment& environment);

    ExecStrings(const ExecStrings&) = delete;
    ExecStrings& operator=(const ExecStrings&) = delete;
    ExecStrings(ExecStrings&&) = default;

    char** data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_strings;
    std::vector<char*> m_pointers;
};

// Runs a program as a child process and reports how it ended and what it cost: exit code or
// signal, the CPU time and the peak memory (resident set) of the child, its output. A child
// that runs past the time limit is killed with SIGKILL and reported as hung.
class ChildProcess
{
public:
    struct Result
    {
        bool started = false;
        bool hung = false;     // killed after the time limit
        int exitCode = -1;     // when it exited
        int signal = 0;        // the signal that ended it, 0 when it exited
        double cpuSeconds = 0; // user + system time
        double wallSeconds = 0;
        qint64 maxRssKiB = 0;
        QByteArray out;
        QByteArray err;

        bool exitedNormally() const { return started && !hung && signal == 0; }
        QStringList outLines() const;
        QStringList errLines() const;
        QString describe() const; // "exit 1", "signal 11", "hung" ... for failure messages
    };

    ChildProcess(const QString& program, const QStringList& arguments);

    void setEnvironment(const QProcessEnvironment& environment) { m_environment = environment; }
    void setWorkingDirectory(const QString& folder) { m_workingDirectory = folder; }
    // Limit of the file size the child may write (RLIMIT_FSIZE, bytes); 0: none.
    void setFileSizeLimit(qint64 bytes) { m_fileSizeLimit = bytes; }

    // Runs to the end or until `timeoutSeconds` have passed.
    Result run(double timeoutSeconds);

    // Starts the child and kills it with SIGKILL after `killAfterSeconds` (or lets it end,
    // whichever comes first).
    Result runAndKill(double killAfterSeconds);

    // True when this build runs under AddressSanitizer (slower, larger; limits are eased).
    static bool underSanitizer();

private:
    Result execute(double limitSeconds, bool killIsExpected);

    QString m_program;
    QStringList m_arguments;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QString m_workingDirectory;
    qint64 m_fileSizeLimit = 0;
};
