#include "app/CLumoraApp.h"
#include "app/LanguageChoice.h"
#include "services/files/TemporaryFileRegistry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Ended by a signal (logout, kill, a closed terminal), the program removes the temporary
    // files of the pictures it was writing.
    TemporaryFileRegistry::installSignalCleanup();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora Plenum"));
    // The desktop entry is named after the AppStream id.
    QApplication::setDesktopFileName(QStringLiteral("org.lumora_plenum.LumoraPlenum"));
    // Chinese or English, chosen in the help menu or following the locale; before any window
    // or message is made.
    LanguageChoice::apply();
    CLumoraApp app;
    // Photos named on the command line ("Open with" in a file manager) join the file list.
    if (!app.initInstance(CLumoraApp::startPhotos(QApplication::arguments().mid(1))))
        return 1;
    return app.run();
}
