#include "cli/PhotoList.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/AnswerStream.h"
#include "cli/SystemErrorText.h"

namespace {

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

// Reads the whole list; false with `why` set when it cannot be read.
bool readList(const QString& file, QByteArray& data, QString& why)
{
    int fd = STDIN_FILENO;
    if (file == QLatin1String("-")) {
        if (AnswerStream::wasClosed(STDIN_FILENO)) {
            why = QStringLiteral("it is closed");
            return false;
        }
    } else {
        if (AnswerStream::isUnreadableName(file)) {
            why = QStringLiteral("the file name cannot be read as UTF-8");
            return false;
        }
        fd = ::open(bytesOfName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            why = systemErrorText(errno);
            return false;
        }
        struct stat info = {};
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(fd);
            why = QStringLiteral("it is a folder");
            return false;
        }
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            data.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = systemErrorText(errno);
            ok = false;
        }
        break;
    }
    if (fd != STDIN_FILENO)
        ::close(fd);
    return ok;
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
    QByteArray data;
    QString why;
    if (!readList(file, data, why)) {
        m_error = QStringLiteral("cannot read the list %1: %2").arg(shown, why);
        return false;
    }
    if (!nullSeparated && data.contains('\0')) {
        m_error = QStringLiteral("the list %1 holds NUL characters: give -0 (--null) for a list of "
                                 "NUL-separated names")
                      .arg(shown);
        return false;
    }
    const char end = nullSeparated ? '\0' : '\n';
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype stop = data.indexOf(end, start);
        if (stop < 0)
            stop = data.size();
        QByteArray entry = data.mid(start, stop - start);
        start = stop + 1;
        if (!nullSeparated && entry.endsWith('\r'))
            entry.chop(1);
        if (!entry.isEmpty())
            addBytes(entry, recursive);
    }
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
