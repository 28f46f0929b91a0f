#pragma once

#include <QDir>
#include <QProcessEnvironment>
#include <QString>

// The environment for a program of the build started by a test: its home, data, cache and
// configuration folders lie below `home` (made here), so that it touches no file of the
// person running the tests; it opens no file manager, and its update check at start reaches
// nothing (nobody listens on the discard port).
inline QProcessEnvironment isolatedEnvironment(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
    environment.insert(QStringLiteral("LUMORA_NO_FILE_MANAGER"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LUMORA_UPDATE_URL"),
                       QStringLiteral("http://127.0.0.1:9/lu_version.ini"));
    QDir().mkpath(home);
    return environment;
}

// The data folder the programs use in an isolated home.
inline QString isolatedDataFolder(const QString& home)
{
    return home + QStringLiteral("/.local/share/Lumora Plenum");
}
