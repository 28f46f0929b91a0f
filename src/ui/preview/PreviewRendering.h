#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// One picture of the output preview: the photo rendered with the current template (taken
// from the preview cache when it is there) and redrawn at the output size.
struct PreviewPicture
{
    QString photoPath;
    QString previewPath;   // the cache file
    bool composed = false; // the compositor ran (no cached file was there)
    QSize renderedSize;    // size of the cache file's picture
    QImage display;        // the picture at the output size; null when nothing can be shown
    QString error;         // why nothing can be shown
    QStringList outside;   // the template's layers whose drawing lies partly outside the photo
};

// Renders a photo for the preview. Only when no file exists at the photo's cache path is
// the compositor run (in preview-file mode) to write it; an existing file is used as it is.
// The cached picture is then redrawn at ComputeOutputSize of its size; an output size with
// no area (a target of 0) keeps the picture's own size. Safe to call on a worker thread.
PreviewPicture renderPreviewPicture(const QString& photoPath);
