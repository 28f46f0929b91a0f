#pragma once

#include "services/files/Outcome.h"
#include <QRect>
#include <QString>

// What the main window remembers between starts, in "config.ini" (section "常规"): its place
// and size when not maximised ("MainWindowX", "MainWindowY", "MainWindowWidth",
// "MainWindowHeight"), whether it was maximised ("MainWindowMaximized", 0 or 1), the folder
// the add-photos dialog showed last ("AddPhotosFolder") and whether the file list shows
// thumbnails ("ShowThumbnails", 1 when missing). A missing file or key is the first start:
// no geometry, no folder.
struct MainWindowState
{
    QRect geometry; // empty: none stored
    bool maximised = false;
    QString addPhotosFolder;
    bool showThumbnails = true;

    static MainWindowState load();
    // Each writes only its own keys; false when config.ini cannot be written.
    static Outcome storeGeometry(const QRect& normalGeometry, bool maximised);
    static Outcome storeAddPhotosFolder(const QString& folder);
    static Outcome storeShowThumbnails(bool show);
};
