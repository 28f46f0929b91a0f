#include "services/update/VersionTriple.h"

#include "services/crash/ProgramVersion.h"

VersionTriple currentProgramVersion()
{
    VersionTriple version;
    if (GetProgramVersion(&version.major, &version.minor, &version.build) != 0)
        return VersionTriple();
    return version;
}

bool isNewerVersion(const VersionTriple& server, const VersionTriple& program)
{
    if (server.major != program.major)
        return server.major > program.major;
    if (server.minor != program.minor)
        return server.minor > program.minor;
    return server.build > program.build;
}

qint64 versionWParam(const VersionTriple& version)
{
    return (qint64(quint16(version.minor)) << 16) | qint64(quint16(version.major));
}

qint64 versionLParam(const VersionTriple& version)
{
    return version.build;
}

VersionTriple versionFromParams(qint64 wParam, qint64 lParam)
{
    return VersionTriple{int(wParam & 0xFFFF), int((wParam >> 16) & 0xFFFF), int(lParam)};
}
