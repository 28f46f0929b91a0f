#include "services/crash/SignalSafeFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int createReplacementFile(const char* temporaryPath)
{
    // Whatever is left at the temporary name (a file from an interrupted report, or a pipe or
    // link that would block or redirect the write) is removed, and a new file is made.
    ::unlink(temporaryPath);
    int fd;
    do {
        fd = ::open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const void* data, std::size_t length)
{
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool commitReplacementFile(int fd, const char* temporaryPath, const char* targetPath)
{
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed || ::rename(temporaryPath, targetPath) != 0) {
        ::unlink(temporaryPath);
        return false;
    }
    return true;
}

void discardReplacementFile(int fd, const char* temporaryPath)
{
    ::close(fd);
    ::unlink(temporaryPath);
}
