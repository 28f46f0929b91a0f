#pragma once

#include <QtGlobal>

// A version as major, minor and build.
struct VersionTriple
{
    int major = 0;
    int minor = 0;
    int build = 0;

    friend bool operator==(const VersionTriple&, const VersionTriple&) = default;
};

// The running program's version; 0.0.0 when it cannot be read.
VersionTriple currentProgramVersion();

// True when the server's version is newer than the program's: a greater major; or equal
// majors and a greater minor; or equal majors and minors and a greater build.
bool isNewerVersion(const VersionTriple& server, const VersionTriple& program);

// The parameters of the update-check messages: the first carries the minor version in the
// high 16 bits and the major version in the low 16 bits, the second the build.
qint64 versionWParam(const VersionTriple& version);
qint64 versionLParam(const VersionTriple& version);
VersionTriple versionFromParams(qint64 wParam, qint64 lParam);
