#pragma once

#include "services/files/Outcome.h"
#include <QSize>

// The template editor window's size as the person left it, kept in "config.ini" (section
// "常规", keys "EditorWidth" and "EditorHeight" in pixels, "EditorMaximized" 1 when it was
// maximised). No keys (a first start): the editor opens at its design size.

struct EditorWindowSize
{
    QSize size; // invalid when none is kept
    bool maximized = false;
};

EditorWindowSize readEditorWindowSize();
// Writes the three keys, keeping every other key. Fails with the reason when the file cannot be written.
Outcome writeEditorWindowSize(const EditorWindowSize& kept);
