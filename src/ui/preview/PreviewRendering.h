#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "model/OutputQuality.h"

// One picture of the output preview: the photo rendered with the current template (taken
// from the preview cache when it is there) and redrawn at the output size.
struct PreviewPicture
{
    QString photoPath;
    QString previewPath;    // the cache file
    bool composed = false;  // the compositor ran (no cached file was there)
    QSize renderedSize;     // size of the cache file's picture
    QImage display;         // the picture at the output size; null when nothing can be shown
    QString error;          // why nothing can be shown (or, as written, why it shows as rendered)
    bool asWritten = false; // display shows the output as it will be written
};

// Renders a photo for the preview. Only when no file exists at the photo's cache path is
// the compositor run (in preview-file mode) to write it; an existing file is used as it is.
// The cached picture is then redrawn at ComputeOutputSize of its size; an output size with
// no area (a target of 0) keeps the picture's own size. Safe to call on a worker thread.
// With `asWritten` the picture shown is the output as it will be written: encoded in the output
// format with the output quality (config.ini) and decoded again from those bytes, so that a low
// quality shows before a run; a failed encoding leaves the picture as rendered, with the reason.
PreviewPicture renderPreviewPicture(const QString& photoPath, bool asWritten = false);

// The picture encoded as an output of the photo would be (format and quality as given, the JPEG
// photo's own chroma sampling when the quality says so) and decoded again; null with `error`
// set when it cannot be encoded.
QImage asWrittenLook(const QImage& picture, const QString& photoPath, int outputFormat,
                     const OutputQuality& quality, QString* error = nullptr);
