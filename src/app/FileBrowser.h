#pragma once

#include <QString>

// Shows a file in the desktop's file manager with the file selected (the freedesktop
// FileManager1 ShowItems call); when no file manager answers, opens the file's folder, and
// when the file is gone, the nearest folder that exists. Nothing happens when the environment
// variable LUMORA_NO_FILE_MANAGER is 1. May be called from any thread.
void showInFileBrowser(const QString& filePath);
