#include "services/files/AtomicFileWriter.h"

#include "services/language/FailureReason.h"

#include "services/files/SaveLeftovers.h"
#include "services/files/TemporaryFileRegistry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include <dirent.h>
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

// The folders searched for leftovers in this run, each with the leftovers found there that
// no write has removed yet. A folder is listed once per run: with many other files in it,
// listing it for every output would cost more than writing the outputs.
struct SweptFolders
{
    std::mutex mutex;
    std::map<QString, QStringList> leftovers;
};

SweptFolders& sweptFolders()
{
    static SweptFolders folders;
    return folders;
}

// The temporary files in `folder` (names in the form of temporaryPrefix() and
// temporarySuffix()) of processes that no longer run.
QStringList listLeftovers(const QString& folder)
{
    QStringList found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    const qint64 self = ::getpid();
    constexpr char kStart[] = ".lumora-";
    constexpr char kEnd[] = ".part";
    while (const dirent* entry = ::readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        if (length < sizeof kStart + sizeof kEnd ||
            std::strncmp(entry->d_name, kStart, sizeof kStart - 1) != 0 ||
            std::strcmp(entry->d_name + length - (sizeof kEnd - 1), kEnd) != 0)
            continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        const QString name = QString::fromLatin1(entry->d_name);
        // ".lumora-<12 hex digits>-<pid>-..."
        const qint64 pid = processIdOf(name, name.left(int(sizeof kStart - 1) + 13));
        if (pid != 0 && pid != self && !processIsRunning(pid))
            found.append(name);
    }
    ::closedir(dir);
    return found;
}

// A reason for a file that could not be created in an existing folder, or an empty string
// when the folder is missing or not a folder (describeError() says so).
QString refusingFolder(int errorNumber, const QString& path)
{
    if (errorNumber != ENOENT && errorNumber != ENOTDIR)
        return QString();
    const QString folder = QFileInfo(path).absolutePath();
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QString();
    // Some file systems (/proc, /sys) refuse new files with "no such file".
    return FailureReason::tr("cannot create files in the folder %1: it does not accept new files")
        .arg(shown(folder));
}

// The file a link points to, through a chain of links (as QSaveFile resolved it); the path
// itself when it is no link, or when the chain is a loop.
QString throughLinks(const QString& path)
{
    QFileInfo file(path);
    for (int depth = 0; depth < 128; ++depth) {
        if (!file.isSymLink())
            return file.filePath();
        file.setFile(file.symLinkTarget());
    }
    return path;
}

// Six random ASCII letters, the end of a temporary name beside its target.
QString randomLetters()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString letters;
    for (int i = 0; i < 6; ++i)
        letters += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return letters;
}

// A reason when the target name holds something the write must not replace: only a regular
// file, a link (replaced as a link, never followed) or nothing may stand there. A device, a
// FIFO or a socket renamed over would be lost (as root, /dev/full becomes a picture), and a
// folder cannot be replaced. Empty when the name may be written.
QString refusingTarget(const QString& path, bool followLinks)
{
    struct stat info = {};
    const QByteArray native = QFile::encodeName(path);
    if ((followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info)) != 0)
        return QString();
    if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
        return QString();
    if (S_ISDIR(info.st_mode))
        return AtomicFileWriter::describeError(EISDIR, path);
    return FailureReason::tr("cannot write %1: it is not a regular file").arg(shown(path));
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const QString& targetPath, Naming naming)
    : m_targetPath(targetPath), m_naming(naming)
{
}

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
    const QDir folder = QFileInfo(targetPath).absoluteDir();
    const QString prefix = temporaryPrefix(targetPath);
    QStringList names;
    {
        SweptFolders& swept = sweptFolders();
        const std::lock_guard lock(swept.mutex);
        auto found = swept.leftovers.find(folder.path());
        if (found == swept.leftovers.end())
            found = swept.leftovers.emplace(folder.path(), listLeftovers(folder.path())).first;
        QStringList& leftovers = found->second;
        for (auto name = leftovers.begin(); name != leftovers.end();) {
            if (name->startsWith(prefix)) {
                names.append(*name);
                name = leftovers.erase(name);
            } else {
                ++name;
            }
        }
    }
    for (const QString& name : names) {
        if (processIsRunning(processIdOf(name, prefix)))
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat info = {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(path.constData());
    }
}

void AtomicFileWriter::forgetSweptFolders()
{
    SweptFolders& swept = sweptFolders();
    const std::lock_guard lock(swept.mutex);
    swept.leftovers.clear();
}

QString AtomicFileWriter::describeError(int errorNumber, const QString& path)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return FailureReason::tr("disk full while writing %1").arg(shown(path));
    case EACCES:
    case EPERM:
        return FailureReason::tr("permission denied: cannot write %1").arg(shown(path));
    case EROFS:
        return FailureReason::tr("the disk is read-only: cannot write %1").arg(shown(path));
    case ENOENT:
    case ENOTDIR: {
        const QString folder = QFileInfo(path).absolutePath();
        struct stat info = {};
        if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
            return FailureReason::tr("the folder %1 does not exist").arg(shown(folder));
        if (!S_ISDIR(info.st_mode))
            return FailureReason::tr("cannot write %1: %2 is not a folder").arg(shown(path), shown(folder));
        return FailureReason::tr("cannot write %1: %2")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
    case EISDIR:
        return FailureReason::tr("cannot write %1: a folder has that name").arg(shown(path));
    case EFBIG:
        return FailureReason::tr("cannot write %1: the file is larger than allowed").arg(shown(path));
    case ENAMETOOLONG:
        return FailureReason::tr("cannot write %1: the name is too long").arg(shown(path));
    case EIO:
        return FailureReason::tr("input/output error while writing %1").arg(shown(path));
    default:
        return FailureReason::tr("cannot write %1: %2")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

Outcome AtomicFileWriter::open()
{
    discard();
    m_status = Outcome::success();
    m_keptMode = -1;
    if (m_targetPath.isEmpty() || QFileInfo(m_targetPath).fileName().isEmpty()) {
        m_status = Outcome::failure(FailureReason::tr("no output file name was given"));
        return m_status;
    }
    if (m_naming == Naming::BesideTarget) {
        m_targetPath = throughLinks(m_targetPath);
        const QByteArray target = QFile::encodeName(m_targetPath);
        struct stat info = {};
        if (::stat(target.constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            // A file its owner made read-only stays as it is.
            if (::access(target.constData(), W_OK) != 0) {
                m_status = Outcome::failure(describeError(errno, m_targetPath));
                return m_status;
            }
            m_keptMode = int(info.st_mode & 07777);
        }
        SaveLeftovers::removeStale(m_targetPath);
    } else {
        removeStrayTemporaries(m_targetPath);
    }
    const QString occupied = refusingTarget(m_targetPath, m_naming == Naming::BesideTarget);
    if (!occupied.isEmpty()) {
        m_status = Outcome::failure(occupied);
        return m_status;
    }

    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate = nextCandidate();
        const QByteArray native = QFile::encodeName(candidate);
        // Announced before it exists, so that a signal ending the program removes it.
        const int slot = TemporaryFileRegistry::claim(native);
        if (slot == TemporaryFileRegistry::kEnding) {
            m_status = Outcome::failure(
                FailureReason::tr("cannot write %1: the program is ending").arg(shown(m_targetPath)));
            return m_status;
        }
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int error = errno;
        if (fd >= 0) {
            TemporaryFileRegistry::created(slot);
            m_fd = fd;
            m_slot = slot;
            m_tempPath = candidate;
            m_tempNative = native;
            if (m_keptMode >= 0)
                ::fchmod(fd, mode_t(m_keptMode));
            return m_status;
        }
        TemporaryFileRegistry::release(slot);
        if (error != EEXIST) {
            const QString refused = refusingFolder(error, m_targetPath);
            m_status = Outcome::failure(refused.isEmpty() ? describeError(error, m_targetPath) : refused);
            return m_status;
        }
    }
    m_status = Outcome::failure(describeError(EEXIST, m_targetPath));
    return m_status;
}

QString AtomicFileWriter::nextCandidate() const
{
    if (m_naming == Naming::BesideTarget)
        return QFileInfo(m_targetPath).absoluteFilePath() + QLatin1Char('.') + randomLetters();
    return QFileInfo(m_targetPath).absoluteDir().filePath(temporaryPrefix(m_targetPath)) +
           QString::number(qint64(::getpid())) + QLatin1Char('-') +
           QString::number(QRandomGenerator::global()->generate(), 16) + temporarySuffix();
}

bool AtomicFileWriter::write(const char* data, qint64 size)
{
    if (!m_status)
        return false;
    if (m_fd < 0) {
        m_status = Outcome::failure(FailureReason::tr("%1 is not open for writing").arg(shown(m_targetPath)));
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
        m_status = Outcome::failure(describeError(errorNumber, m_targetPath));
}

Outcome AtomicFileWriter::commit(bool syncToDisk)
{
    if (m_fd < 0) {
        if (m_status)
            m_status =
                Outcome::failure(FailureReason::tr("%1 is not open for writing").arg(shown(m_targetPath)));
        return m_status;
    }
    if (m_status && syncToDisk && ::fdatasync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno);
    // Checked again right before the rename: the name may have changed since open().
    if (m_status) {
        const QString refused = refusingTarget(m_targetPath, m_naming == Naming::BesideTarget);
        if (!refused.isEmpty())
            m_status = Outcome::failure(refused);
    }
    if (m_status && m_replaceExisting &&
        ::rename(m_tempNative.constData(), QFile::encodeName(m_targetPath).constData()) != 0)
        fail(errno);
    if (m_status && !m_replaceExisting)
        renameKeepingExisting();
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
    TemporaryFileRegistry::release(m_slot);
    m_slot = TemporaryFileRegistry::kUntracked;
    m_tempPath.clear();
    m_tempNative.clear();
    return m_status;
}

void AtomicFileWriter::renameKeepingExisting()
{
    const QByteArray target = QFile::encodeName(m_targetPath);
    if (::renameat2(AT_FDCWD, m_tempNative.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the flag: a hard link is made only when the name is free.
        if (::link(m_tempNative.constData(), target.constData()) == 0) {
            ::unlink(m_tempNative.constData());
            return;
        }
        error = errno;
    }
    if (error == EEXIST)
        m_status = Outcome::failure(
            FailureReason::tr("cannot write %1: a file of that name exists now; it was left unchanged")
                .arg(shown(m_targetPath)));
    else
        fail(error);
}

void AtomicFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempNative.isEmpty()) {
        ::unlink(m_tempNative.constData());
        TemporaryFileRegistry::release(m_slot);
        m_slot = TemporaryFileRegistry::kUntracked;
        m_tempNative.clear();
        m_tempPath.clear();
    }
}
