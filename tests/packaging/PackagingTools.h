#pragma once

// What the packaging tests share: the places of the build and an environment that keeps
// the programs away from the files of the user running the tests. Tools and programs run
// through support/ToolRun.h.
#include <QDir>
#include <QProcessEnvironment>
#include <QString>

#include "support/ToolRun.h"

namespace packaging {

inline const QString kSourceDir = QStringLiteral(LUMORA_SOURCE_DIR);
inline const QString kBuildDir = QStringLiteral(LUMORA_BUILD_DIR);
inline const QString kVersion = QStringLiteral(LUMORA_PROJECT_VERSION);

// An environment whose home, data, cache and configuration folders lie below `home`, so that
// a program started with it touches no file of the user running the tests.
inline QProcessEnvironment isolatedEnvironment(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("LUMORA_NO_FILE_MANAGER"), QStringLiteral("1"));
    // The update check at start must not reach out: nothing listens on the discard port.
    environment.insert(QStringLiteral("LUMORA_UPDATE_URL"),
                       QStringLiteral("http://127.0.0.1:9/lu_version.ini"));
    QDir().mkpath(home);
    return environment;
}

} // namespace packaging
