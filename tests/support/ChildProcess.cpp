#include "support/ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

QStringList lines(const QByteArray& bytes)
{
    QStringList result;
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty())
            result.append(QString::fromUtf8(line));
    }
    return result;
}

double seconds(const timeval& tv)
{
    return double(tv.tv_sec) + double(tv.tv_usec) / 1e6;
}

QByteArray readAll(QTemporaryFile& file)
{
    file.seek(0);
    return file.readAll();
}

} // namespace

QStringList ChildProcess::Result::outLines() const
{
    return lines(out);
}

QStringList ChildProcess::Result::errLines() const
{
    return lines(err);
}

QString ChildProcess::Result::describe() const
{
    if (!started)
        return QStringLiteral("did not start");
    if (hung)
        return QStringLiteral("hung (killed after the time limit)");
    if (signal != 0)
        return QStringLiteral("ended by signal %1").arg(signal);
    return QStringLiteral("exit %1").arg(exitCode);
}

ExecStrings::ExecStrings(std::vector<QByteArray> strings) : m_strings(std::move(strings))
{
    for (QByteArray& s : m_strings)
        m_pointers.push_back(s.data());
    m_pointers.push_back(nullptr);
}

ExecStrings ExecStrings::environment(const QProcessEnvironment& environment)
{
    std::vector<QByteArray> strings;
    for (const QString& e : environment.toStringList())
        strings.push_back(e.toLocal8Bit());
    return ExecStrings(std::move(strings));
}

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments)
    : m_program(program), m_arguments(arguments)
{
}

bool ChildProcess::underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

ChildProcess::Result ChildProcess::run(double timeoutSeconds)
{
    return execute(timeoutSeconds, false);
}

ChildProcess::Result ChildProcess::runAndKill(double killAfterSeconds)
{
    return execute(killAfterSeconds, true);
}

ChildProcess::Result ChildProcess::execute(double limitSeconds, bool killIsExpected)
{
    Result result;
    QTemporaryFile outFile;
    QTemporaryFile errFile;
    if (!outFile.open() || !errFile.open())
        return result;

    // Everything the child needs is prepared before fork(): after it only async-signal-safe
    // calls are made.
    std::vector<QByteArray> arguments{QFile::encodeName(m_program)};
    for (const QString& a : m_arguments)
        arguments.push_back(a.toLocal8Bit());
    ExecStrings argv(std::move(arguments));
    ExecStrings envp = ExecStrings::environment(m_environment);
    const QByteArray workingDirectory = QFile::encodeName(m_workingDirectory);
    const int outFd = outFile.handle();
    const int errFd = errFile.handle();
    const rlim_t fileLimit = rlim_t(m_fileSizeLimit);

    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        if (!workingDirectory.isEmpty() && ::chdir(workingDirectory.constData()) != 0)
            ::_exit(127);
        if (fileLimit > 0) {
            const rlimit limit{fileLimit, fileLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(argv.data()[0], argv.data(), envp.data());
        ::_exit(127);
    }
    result.started = true;

    int status = 0;
    rusage usage{};
    bool killed = false;
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            break;
        if (!killed && clock.nsecsElapsed() >= qint64(limitSeconds * 1e9)) {
            ::kill(pid, SIGKILL);
            killed = true;
            ::wait4(pid, &status, 0, &usage);
            break;
        }
        const timespec pause{0, 1'000'000}; // 1 ms: kill moments land within a millisecond
        ::nanosleep(&pause, nullptr);
    }
    result.wallSeconds = double(clock.nsecsElapsed()) / 1e9;
    result.hung = killed && !killIsExpected;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    result.maxRssKiB = usage.ru_maxrss;
    result.out = readAll(outFile);
    result.err = readAll(errFile);
    return result;
}
