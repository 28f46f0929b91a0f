#pragma once

#include <QStringList>

// Registers the Tahoma-compatible faces that Debian's fonts-wine package installs
// (/usr/share/wine/fonts/tahoma.ttf and tahomabd.ttf) with the application's font database,
// so that the face name "Tahoma" of the default font record resolves to them. Files that
// are missing are skipped. Safe to call from any thread and any number of times: the work
// is done once per process; a QGuiApplication must exist. Returns the families registered.
QStringList registerApplicationFonts();

// The files that registerApplicationFonts() looks for.
QStringList applicationFontFiles();
