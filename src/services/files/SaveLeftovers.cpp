#include "services/files/SaveLeftovers.h"

#include <QFile>
#include <QFileInfo>

#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SaveLeftovers {

namespace {

// QSaveFile's temporary names end in six random ASCII letters.
constexpr qsizetype kRandomLength = 6;

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// Seconds since the file was last written; negative when its time lies in the future.
double ageSeconds(const struct stat& info)
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return double(now.tv_sec - info.st_mtim.tv_sec) + double(now.tv_nsec - info.st_mtim.tv_nsec) / 1e9;
}

} // namespace

bool isLeftoverName(const QString& targetName, const QString& name)
{
    if (targetName.isEmpty() || name.size() != targetName.size() + 1 + kRandomLength ||
        !name.startsWith(targetName) || name.at(targetName.size()) != QLatin1Char('.'))
        return false;
    for (qsizetype i = targetName.size() + 1; i < name.size(); ++i) {
        if (!isAsciiLetter(name.at(i)))
            return false;
    }
    return true;
}

int removeStale(const QString& targetPath, std::chrono::seconds minimumAge)
{
    const QFileInfo target(targetPath);
    const QString targetName = target.fileName();
    if (targetName.isEmpty())
        return 0;
    // The folder is opened once and every look-up and removal is made relative to it, so a
    // folder swapped for another while this runs is not reached through the new one.
    const int folder =
        ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return 0;
    const int listing = ::dup(folder);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        ::close(folder);
        return 0;
    }
    int removed = 0;
    const uid_t self = ::geteuid();
    while (const struct dirent* entry = ::readdir(entries)) {
        if (!isLeftoverName(targetName, QFile::decodeName(entry->d_name)))
            continue;
        struct stat info = {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != self || ageSeconds(info) < double(minimumAge.count()))
            continue;
        // unlinkat removes the name itself: had it become a link meanwhile, the link would go,
        // never what it points to.
        if (::unlinkat(folder, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(entries);
    ::close(folder);
    return removed;
}

} // namespace SaveLeftovers
