#pragma once

#include <cstddef>

// Facts about the process that a crash report names, gathered once when the reporter is
// installed so that the signal handler only copies them. Texts are UTF-8 and NUL-terminated.
struct CrashEnvironment
{
    static constexpr std::size_t kPathCapacity = 4096;

    char systemLine[512] = {}; // e.g. "Linux:  6.1.0-18-amd64, Debian GNU/Linux 12 (bookworm), x86_64"
    char processPath[kPathCapacity] = {};
    int version[3] = {};
    long utcOffsetSeconds = 0; // local time minus UTC when installed

    // Fills every field for the running process. Not for use inside a signal handler.
    static void capture(CrashEnvironment* environment);
};
