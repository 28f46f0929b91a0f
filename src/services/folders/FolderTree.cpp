#include "services/folders/FolderTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "services/folders/Folders.h"

namespace {

// Deeper trees are left partly in place rather than running out of file descriptors.
constexpr int kMaxDepth = 200;

// Owner write and search permission let the entries of a read-only folder be removed.
void makeFolderWritable(int dirFd)
{
    struct stat st;
    if (fstat(dirFd, &st) == 0 && (st.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR))
        fchmod(dirFd, (st.st_mode & 07777) | S_IWUSR | S_IXUSR | S_IRUSR);
}

// Removes the entries of the folder open as dirFd (which this function closes). Every
// entry is examined without following links, and sub-folders are opened with O_NOFOLLOW,
// so nothing outside the tree is touched even when links are swapped in meanwhile.
void emptyFolder(int dirFd, int depth)
{
    makeFolderWritable(dirFd);
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return;
    }
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        struct stat st;
        if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth < kMaxDepth) {
                const int childFd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (childFd >= 0)
                    emptyFolder(childFd, depth + 1);
            }
            unlinkat(dirFd, name, AT_REMOVEDIR);
        } else {
            unlinkat(dirFd, name, 0);
        }
    }
    closedir(dir);
}

} // namespace

bool CreateFolderPath(const QString& path)
{
    QString folder = path;
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    if (info.exists())
        return info.isDir();
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        CreateFolderPath(folder.left(slash));
    return QDir().mkdir(folder) || QFileInfo(folder).isDir();
}

bool DeleteFolderTree(const QString& path)
{
    if (path.isEmpty())
        return true;
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (lstat(native.constData(), &st) != 0)
        return true;
    if (S_ISLNK(st.st_mode)) {
        // A link in place of the folder: remove the link, never what it points to.
        unlink(native.constData());
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return true;
    const int fd = open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        emptyFolder(fd, 0);
    rmdir(native.constData());
    return true;
}

bool RemovePreviewCache()
{
    return DeleteFolderTree(PreviewCacheFolder());
}
