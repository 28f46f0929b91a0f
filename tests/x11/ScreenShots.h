#pragma once

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

// Screenshots of the whole X screen, window manager frames included, for the tests that run in a
// real X window. They go to screenshots/x11 in the build folder, or screenshots/x11/2x when the
// test runs at twice the size (QT_SCALE_FACTOR=2).
namespace ScreenShots {

inline bool doubled()
{
    return qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2");
}

inline QString folder()
{
    const QString path = QStringLiteral(LUMORA_BUILD_DIR "/screenshots/x11") + (doubled() ? "/2x" : "");
    QDir().mkpath(path);
    return path;
}

// ImageMagick's import, found at the first call: call it before a test changes PATH.
inline QString importTool()
{
    static const QString tool = QStandardPaths::findExecutable(QStringLiteral("import"));
    return tool;
}

// The screen as the X server shows it, taken by ImageMagick's import and saved as <name>.png.
inline QImage take(const QString& name)
{
    QCoreApplication::processEvents();
    QTest::qWait(150); // let the window manager and the windows finish drawing
    const QString path = folder() + QLatin1Char('/') + name + QStringLiteral(".png");
    QFile::remove(path);
    QProcess import;
    import.start(importTool(), {QStringLiteral("-window"), QStringLiteral("root"), path});
    if (!import.waitForFinished(30000) || import.exitCode() != 0)
        qWarning() << "import failed:" << import.readAllStandardError();
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

} // namespace ScreenShots
