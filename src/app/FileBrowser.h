#pragma once

#include <QString>
#include <functional>

// Shows a file in the desktop's file manager with the file selected (the freedesktop
// FileManager1 ShowItems call); when no file manager answers, opens the file's folder with
// xdg-open, and when the file is gone, the nearest folder that exists. Nothing happens when
// the environment variable LUMORA_NO_FILE_MANAGER is 1. May be called from any thread.
// `problem`, when given, is called on the user-interface thread with a sentence for the person
// when the folder could not be opened either (xdg-open missing, or ending with an error such
// as "xdg-open: no method available").
void showInFileBrowser(const QString& filePath, std::function<void(const QString& problem)> problem = {});
