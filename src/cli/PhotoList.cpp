#include "cli/PhotoList.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/AnswerStream.h"
#include "cli/SystemErrorText.h"

namespace {

// A list file is refused beyond these: a million photos in one run is more than any batch
// needs, and the names are held in memory until the run starts.
constexpr qint64 kMaxListBytes = 64LL * 1024 * 1024;
constexpr qsizetype kMaxListNames = 1'000'000;
// The first bytes of a name over the path limit shown in its answer.
constexpr qsizetype kShownPrefix = 64;

QByteArray bytesOfName(const QString& name)
{
    return QFile::encodeName(name);
}

QString nameOfBytes(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes ? text : AnswerStream::unreadableName(bytes);
}

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool hasPhotoExtension(const QByteArray& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return false;
    return PhotoList::photoExtensions().contains(QString::fromLatin1(name.mid(dot + 1)).toLower());
}

// Opens the list ("-": standard input, which stays open); -1 with `why` set when it cannot be
// read.
int openList(const QString& file, QString& why)
{
    if (file == QLatin1String("-")) {
        if (AnswerStream::wasClosed(STDIN_FILENO)) {
            why = QStringLiteral("it is closed");
            return -1;
        }
        return STDIN_FILENO;
    }
    if (AnswerStream::isUnreadableName(file)) {
        why = QStringLiteral("the file name cannot be read as UTF-8");
        return -1;
    }
    const int fd = ::open(bytesOfName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = systemErrorText(errno);
        return -1;
    }
    struct stat info = {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        why = QStringLiteral("it is a folder");
        return -1;
    }
    return fd;
}

} // namespace

const QStringList& PhotoList::photoExtensions()
{
    static const QStringList extensions{
        QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("bmp"),
        QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("webp"),
        QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("avif")};
    return extensions;
}

void PhotoList::addNames(const QStringList& names, bool recursive)
{
    for (const QString& name : names)
        addName(name, recursive);
}

bool PhotoList::addListFile(const QString& file, bool nullSeparated, bool recursive)
{
    const QString shown =
        file == QLatin1String("-") ? QStringLiteral("on standard input") : AnswerStream::shownName(file);
    QString why;
    const int fd = openList(file, why);
    if (fd < 0) {
        m_error = QStringLiteral("cannot read the list %1: %2").arg(shown, why);
        return false;
    }
    // The list is read piece by piece and split as it comes, so that a list without an end
    // (a device, a pipe that never closes) stops at a bound instead of filling the memory: a
    // name at the system's path limit is answered on its own and its bytes are not kept, and
    // a list longer than kMaxListBytes or kMaxListNames is refused.
    const char end = nullSeparated ? '\0' : '\n';
    QList<QByteArray> entries;
    QList<Problem> tooLong;
    QByteArray entry;
    bool overLimit = false; // the entry being read is already longer than a path may be
    qint64 total = 0;
    enum class Stop
    {
        AtEnd,
        ReadError,
        NulInLines,
        TooLong,
    } stop = Stop::AtEnd;
    const auto finishEntry = [&]() {
        if (!nullSeparated && entry.endsWith('\r'))
            entry.chop(1);
        if (overLimit)
            tooLong.append(Problem{
                nameOfBytes(entry.left(kShownPrefix)) + QStringLiteral("..."),
                QStringLiteral("the name is longer than the system's path limit of %1 bytes").arg(PATH_MAX)});
        else if (!entry.isEmpty())
            entries.append(entry);
        entry.clear();
        overLimit = false;
    };
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = systemErrorText(errno);
            stop = Stop::ReadError;
        }
        if (got <= 0)
            break;
        total += got;
        if (!nullSeparated && std::memchr(buffer, '\0', size_t(got))) {
            stop = Stop::NulInLines;
            break;
        }
        if (total > kMaxListBytes || entries.size() > kMaxListNames) {
            stop = Stop::TooLong;
            break;
        }
        const char* at = buffer;
        const char* const last = buffer + got;
        while (at < last) {
            // Empty names (separators in a row) are left out without further work.
            if (entry.isEmpty() && !overLimit) {
                while (at < last && *at == end)
                    ++at;
                if (at == last)
                    break;
            }
            const char* separator = static_cast<const char*>(std::memchr(at, end, size_t(last - at)));
            const char* pieceEnd = separator ? separator : last;
            if (!overLimit) {
                entry.append(at, pieceEnd - at);
                if (entry.size() >= PATH_MAX) {
                    entry.truncate(kShownPrefix);
                    overLimit = true;
                }
            }
            at = pieceEnd;
            if (separator) {
                finishEntry();
                ++at;
            }
        }
    }
    if (fd != STDIN_FILENO)
        ::close(fd);
    switch (stop) {
    case Stop::NulInLines:
        m_error = QStringLiteral("the list %1 holds NUL characters: give -0 (--null) for a list of "
                                 "NUL-separated names")
                      .arg(shown);
        return false;
    case Stop::TooLong:
        m_error =
            QStringLiteral("the list %1 is longer than %2 MiB or %3 names: give the photos in several runs")
                .arg(shown)
                .arg(kMaxListBytes / (1024 * 1024))
                .arg(kMaxListNames);
        return false;
    case Stop::ReadError:
        m_error = QStringLiteral("cannot read the list %1: %2").arg(shown, why);
        return false;
    case Stop::AtEnd:
        break;
    }
    finishEntry();
    m_problems += tooLong;
    for (const QByteArray& name : std::as_const(entries))
        addBytes(name, recursive);
    return true;
}

void PhotoList::addName(const QString& name, bool recursive)
{
    // A name that is not UTF-8 cannot be walked into names that open again: it fails in
    // its place.
    if (!recursive || AnswerStream::isUnreadableName(name)) {
        m_photos.append(name);
        return;
    }
    addBytes(bytesOfName(name), recursive);
}

void PhotoList::addBytes(const QByteArray& bytes, bool recursive)
{
    struct stat info = {};
    if (!recursive || ::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        addPhoto(bytes);
        return;
    }
    QList<FolderId> around{FolderId{quint64(info.st_dev), quint64(info.st_ino), bytes}};
    walk(bytes, around);
}

void PhotoList::walk(const QByteArray& folder, QList<FolderId>& around)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        addProblem(folder, QStringLiteral("cannot read the folder: %1").arg(systemErrorText(errno)));
        return;
    }
    QList<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        addProblem(folder, QStringLiteral("cannot read the folder: %1").arg(systemErrorText(readError)));
        return;
    }
    std::sort(names.begin(), names.end());

    for (const QByteArray& name : names) {
        const QByteArray path = joined(folder, name);
        struct stat info = {};
        const bool found = ::stat(path.constData(), &info) == 0;
        if (found && S_ISDIR(info.st_mode)) {
            const auto loop = std::find_if(around.cbegin(), around.cend(), [&info](const FolderId& id) {
                return id.device == quint64(info.st_dev) && id.inode == quint64(info.st_ino);
            });
            if (loop != around.cend()) {
                addProblem(
                    path,
                    QStringLiteral(
                        "it leads back to the folder %1 that holds it (a loop through a link); left out")
                        .arg(AnswerStream::shownName(nameOfBytes(loop->path))));
                continue;
            }
            around.append(FolderId{quint64(info.st_dev), quint64(info.st_ino), path});
            walk(path, around);
            around.removeLast();
        } else if (hasPhotoExtension(name)) {
            // Also a link to nothing or a file that cannot be looked at: it fails with its
            // reason in its place rather than being left out unseen.
            addPhoto(path);
        }
    }
}

void PhotoList::addPhoto(const QByteArray& bytes)
{
    m_photos.append(nameOfBytes(bytes));
}

void PhotoList::addProblem(const QByteArray& bytes, const QString& reason)
{
    m_problems.append(Problem{nameOfBytes(bytes), reason});
}
