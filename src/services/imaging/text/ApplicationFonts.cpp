#include "services/imaging/text/ApplicationFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

#include <mutex>

QStringList applicationFontFiles()
{
    return {QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
            QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")};
}

QStringList registerApplicationFonts()
{
    static std::mutex mutex;
    static bool done = false;
    static QStringList families;

    const std::lock_guard<std::mutex> lock(mutex);
    // Without an application object the font database cannot take fonts yet; try again later.
    if (done || !QGuiApplication::instance())
        return families;
    for (const QString& file : applicationFontFiles()) {
        if (!QFile::exists(file))
            continue;
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0)
            continue;
        for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
            if (!families.contains(family))
                families.append(family);
        }
    }
    done = true;
    return families;
}
