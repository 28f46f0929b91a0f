#pragma once

#include <QByteArray>
#include <QGuiApplication>

// For the targets that draw text: a GUI application on the offscreen platform, alive until
// the target ends. Include from the target's one source file (it defines the leak
// sanitizer's suppressions for that program).
inline void StartFuzzGui(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
}

// fontconfig keeps the font patterns it has loaded until the process ends; they are not
// leaks of the code under test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
