#pragma once

#include <QTemporaryDir>

// The folder a fuzz target writes its files to, inside the temporary folder (which
// scripts/fuzz.sh points at memory: every save syncs its file, and a disk would allow only a
// few runs per second). Removed when the target ends.
inline const QTemporaryDir& FuzzWorkFolder()
{
    static const QTemporaryDir folder;
    return folder;
}
