#pragma once

#include <optional>

#include <QSize>
#include <QString>

#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "model/RenderSettings.h"
#include "model/ResizeSettings.h"
#include "render/ComposeWatermark.h"
#include "services/imaging/PhotoDecoder.h"

// Everything one render reads, taken once when the render starts from the windows' values (see
// RenderSettings) or the command line's: a render reads no settings while it draws, so renders
// may run side by side and a result never depends on what was rendered before it.
struct RenderRequest
{
    ComposeMode mode = ComposeMode::BatchOutput;
    QString sourcePath; // the photo (PreviewFile, BatchOutput)
    // Where PreviewFile writes its PNG data; for BatchOutput the output the run's plan gave the
    // photo (empty: the output settings name it).
    QString targetPath;
    // PreviewFile: false leaves the writing to the caller (the picture is in the result), so
    // that a preview is shown before its large PNG file is written.
    bool writePreviewFile = true;

    QString templateName; // the template whose layers are drawn
    OutputSettings output;
    ResizeSettings resize;
    bool resizePictures = false;
    // JPEG photos written as JPEG without resizing keep their blocks outside the watermark
    // (see LosslessJpeg).
    bool losslessJpeg = false;
    // How the encoders write the output (see OutputQuality).
    OutputQuality quality;

    // EditorPreview: the size of the preview area, which placement and scaling refer to.
    QSize previewSize;

    // The photo's place in the run's list, from 1, for the {counter} field of text layers; 0
    // outside a run (a preview), where the counter shows its first number.
    int photoNumber = 0;

    // When given, the text every layer with a text of its own draws instead (fields filled).
    std::optional<QString> layerText;

    // Photos (and layer pictures) whose header claims more pixels are refused.
    qint64 pixelLimit = PhotoDecoder::kDefaultPixelLimit;
    // Batch outputs the stream serves are streamed (see JpegStream); off, every photo takes the
    // full path (for comparing the two).
    bool streaming = true;

    // LUMORA_MAX_PIXELS from the environment when it is a positive number, else 250 million.
    static qint64 pixelLimitFromEnvironment();
    // False when LUMORA_STREAM is 0 in the environment.
    static bool streamingFromEnvironment();

    // A request with the windows' values `settings` (the template, the output settings, the
    // resize values and switch, the lossless JPEG choice, the output quality) and the pixel
    // limit from the environment.
    static RenderRequest fromSettings(const RenderSettings& settings, ComposeMode mode,
                                      const QString& sourcePath, const QString& targetPath);

    // This request for one photo of a run: its path, its place in the run's list and the
    // output the run's plan gave it (empty: the output settings name it).
    RenderRequest forPhoto(const QString& path, int number, const QString& plannedOutput) const;
};
