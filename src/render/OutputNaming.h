#pragma once

#include <QString>

#include "model/OutputSettings.h"
#include "services/files/Outcome.h"
#include "services/imaging/ImageEncoder.h"

// The path a batch render writes for a photo: folder / file name + extension.
//
// Folder: OutputFolderOpts 1 = OutputFolderPath; anything else = the photo's own folder.
// File name: the photo's name up to its last dot (the whole name when it has none), followed
// by OutputFileNameSuffix when OutputFileNameOpts is 1. Extension by OutputFormat:
// ".jpg", ".png", ".bmp", ".tiff", ".webp".
namespace OutputNaming {

// An output path, or why the settings name none (a failure, with `path` empty).
struct OutputName : Outcome
{
    OutputName(const Outcome& outcome, const QString& name = QString()) : Outcome(outcome), path(name) {}
    QString path;
};

// The format OutputFormat names. A value outside 0 to 4 (an empty format selection is
// stored as -1) writes JPEG, the first format.
ImageEncoder::FileFormat outputFormat(const OutputSettings& settings);

// The output path, or a failure saying why when the settings name no usable folder or name.
OutputName outputPath(const QString& sourcePath, const OutputSettings& settings);

// The file name without folder and extension, as described above.
QString baseName(const QString& sourcePath);

} // namespace OutputNaming
