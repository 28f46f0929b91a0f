#include "app/CLumoraApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora Plenum"));
    QApplication::setDesktopFileName(QStringLiteral("lumora-plenum"));
    CLumoraApp app;
    if (!app.InitInstance())
        return 1;
    return app.Run();
}
