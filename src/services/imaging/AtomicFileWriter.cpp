#include "services/imaging/AtomicFileWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The process id written into a temporary name, or 0 when the name does not hold one.
qint64 processIdOf(const QString& name, const QString& prefix)
{
    const QString rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    if (dash <= 0)
        return 0;
    bool ok = false;
    const qint64 pid = rest.left(dash).toLongLong(&ok);
    return ok ? pid : 0;
}

bool processIsRunning(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const QString& targetPath) : m_targetPath(targetPath) {}

AtomicFileWriter::~AtomicFileWriter()
{
    discard();
}

QString AtomicFileWriter::temporaryPrefix(const QString& targetPath)
{
    const QByteArray name = QFileInfo(targetPath).fileName().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral(".lumora-%1-").arg(QString::fromLatin1(hash));
}

QString AtomicFileWriter::temporarySuffix()
{
    return QStringLiteral(".part");
}

void AtomicFileWriter::removeStrayTemporaries(const QString& targetPath)
{
    const QFileInfo target(targetPath);
    const QDir folder = target.absoluteDir();
    const QString prefix = temporaryPrefix(targetPath);
    const QStringList names = folder.entryList({prefix + QLatin1Char('*') + temporarySuffix()},
                                               QDir::Files | QDir::Hidden | QDir::System);
    const qint64 self = ::getpid();
    for (const QString& name : names) {
        const qint64 pid = processIdOf(name, prefix);
        if (pid == 0 || pid == self || processIsRunning(pid))
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat info = {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(path.constData());
    }
}

QString AtomicFileWriter::describeError(int errorNumber, const QString& path)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("disk full while writing %1").arg(shown(path));
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied: cannot write %1").arg(shown(path));
    case EROFS:
        return QStringLiteral("the disk is read-only: cannot write %1").arg(shown(path));
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("the folder %1 does not exist").arg(shown(QFileInfo(path).absolutePath()));
    case EISDIR:
        return QStringLiteral("cannot write %1: a folder has that name").arg(shown(path));
    case EFBIG:
        return QStringLiteral("cannot write %1: the file is larger than allowed").arg(shown(path));
    case ENAMETOOLONG:
        return QStringLiteral("cannot write %1: the name is too long").arg(shown(path));
    case EIO:
        return QStringLiteral("input/output error while writing %1").arg(shown(path));
    default:
        return QStringLiteral("cannot write %1: %2")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

ImagingStatus AtomicFileWriter::open()
{
    discard();
    m_status = ImagingStatus::success();
    const QFileInfo target(m_targetPath);
    if (m_targetPath.isEmpty() || target.fileName().isEmpty()) {
        m_status = ImagingStatus::failure(QStringLiteral("no output file name was given"));
        return m_status;
    }
    removeStrayTemporaries(m_targetPath);

    const QString stem = target.absoluteDir().filePath(temporaryPrefix(m_targetPath)) +
                         QString::number(qint64(::getpid())) + QLatin1Char('-');
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate =
            stem + QString::number(QRandomGenerator::global()->generate(), 16) + temporarySuffix();
        const QByteArray native = QFile::encodeName(candidate);
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            m_tempNative = native;
            return m_status;
        }
        if (errno != EEXIST) {
            m_status = ImagingStatus::failure(describeError(errno, m_targetPath));
            return m_status;
        }
    }
    m_status = ImagingStatus::failure(describeError(EEXIST, m_targetPath));
    return m_status;
}

bool AtomicFileWriter::write(const char* data, qint64 size)
{
    if (!m_status)
        return false;
    if (m_fd < 0) {
        m_status =
            ImagingStatus::failure(QStringLiteral("%1 is not open for writing").arg(shown(m_targetPath)));
        return false;
    }
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void AtomicFileWriter::fail(int errorNumber)
{
    if (m_status)
        m_status = ImagingStatus::failure(describeError(errorNumber, m_targetPath));
}

ImagingStatus AtomicFileWriter::commit(bool syncToDisk)
{
    if (m_fd < 0) {
        if (m_status)
            m_status =
                ImagingStatus::failure(QStringLiteral("%1 is not open for writing").arg(shown(m_targetPath)));
        return m_status;
    }
    if (m_status && syncToDisk && ::fdatasync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno);
    if (m_status && ::rename(m_tempNative.constData(), QFile::encodeName(m_targetPath).constData()) != 0)
        fail(errno);
    if (!m_status) {
        discard();
        return m_status;
    }
    if (syncToDisk) {
        const int folder = ::open(QFile::encodeName(QFileInfo(m_targetPath).absolutePath()).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    m_tempPath.clear();
    m_tempNative.clear();
    return m_status;
}

void AtomicFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempNative.isEmpty()) {
        ::unlink(m_tempNative.constData());
        m_tempNative.clear();
        m_tempPath.clear();
    }
}
