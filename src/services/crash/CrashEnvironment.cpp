#include "services/crash/CrashEnvironment.h"

#include "services/crash/ProgramVersion.h"

#include <QByteArray>
#include <QString>
#include <QSysInfo>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

void copyText(char* target, std::size_t capacity, const char* text)
{
    std::snprintf(target, capacity, "%s", text);
}

} // namespace

void CrashEnvironment::capture(CrashEnvironment* environment)
{
    struct utsname names = {};
    if (::uname(&names) != 0) {
        copyText(names.sysname, sizeof names.sysname, "Unix");
        names.release[0] = 0;
        names.machine[0] = 0;
    }
    const QByteArray distribution = QSysInfo::prettyProductName().toUtf8();
    std::snprintf(environment->systemLine, sizeof environment->systemLine, "%s:  %s, %s, %s", names.sysname,
                  names.release, distribution.constData(), names.machine);

    const ssize_t length =
        ::readlink("/proc/self/exe", environment->processPath, sizeof environment->processPath - 1);
    environment->processPath[length > 0 ? length : 0] = 0;

    int major = 0;
    int minor = 0;
    int build = 0;
    GetProgramVersion(&major, &minor, &build);
    environment->version[0] = major;
    environment->version[1] = minor;
    environment->version[2] = build;

    const std::time_t now = std::time(nullptr);
    struct tm local = {};
    environment->utcOffsetSeconds = ::localtime_r(&now, &local) ? local.tm_gmtoff : 0;
}
