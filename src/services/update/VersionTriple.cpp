#include "services/update/VersionTriple.h"

#include "services/crash/ProgramVersion.h"

VersionTriple CurrentProgramVersion()
{
    VersionTriple version;
    if (GetProgramVersion(&version.major, &version.minor, &version.build) != 0)
        return VersionTriple();
    return version;
}

bool IsNewerVersion(const VersionTriple& server, const VersionTriple& program)
{
    if (server.major != program.major)
        return server.major > program.major;
    if (server.minor != program.minor)
        return server.minor > program.minor;
    return server.build > program.build;
}

qint64 VersionWParam(const VersionTriple& version)
{
    return (qint64(quint16(version.minor)) << 16) | qint64(quint16(version.major));
}

qint64 VersionLParam(const VersionTriple& version)
{
    return version.build;
}

VersionTriple VersionFromParams(qint64 wParam, qint64 lParam)
{
    return VersionTriple{int(wParam & 0xFFFF), int((wParam >> 16) & 0xFFFF), int(lParam)};
}
