#pragma once

#include <QString>

// The single rendering routine: draws every layer of the selected template onto a photo
// (or onto the built-in sample picture for the template editor's preview) and writes it.
enum class ComposeMode : int {
    EditorPreview = 0, // draw onto the sample picture into the registered editor preview
    PreviewFile = 1,   // render a photo and write PNG data to the target path
    BatchOutput = 2,   // render a photo and write it to the configured output folder
};

// What one render did: the file written, or why nothing (or not everything) was written.
struct ComposeOutcome
{
    bool ok = false;
    QString outputPath; // the file written (modes 1 and 2)
    QString error;      // a sentence for the user when ok is false
};

// Returns 0, or -1 when EditorPreview finds no registered editor preview.
int ComposeWatermark(int mode, const QString& sourcePath, const QString& targetPath = QString());
