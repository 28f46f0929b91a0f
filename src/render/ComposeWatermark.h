#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include "services/files/Outcome.h"

// The single rendering routine: draws every layer of the selected template onto a photo
// (or onto the built-in sample picture for the template editor's preview) and writes it.
enum class ComposeMode : int
{
    EditorPreview = 0, // draw onto the sample picture into the registered editor preview
    PreviewFile = 1,   // render a photo and write PNG data to the target path
    BatchOutput = 2,   // render a photo and write it to the configured output folder
};

// What one render did: done (outputPath names the file written in modes 1 and 2), skipped (a
// batch photo whose output existed and was left as it was; outputPath names it), or failed
// with the sentence why nothing (or not everything) was written.
struct ComposeOutcome : Outcome
{
    ComposeOutcome() = default;
    ComposeOutcome(const Outcome& outcome, const QString& output = QString())
        : Outcome(outcome), outputPath(output)
    {
    }

    QString outputPath;
    // EditorPreview: the files that could not be read (the template, a layer, a layer's
    // picture); the preview shows the layers that could be drawn and these sentences. A photo
    // render fails instead.
    QStringList warnings;
};

// Where EditorPreview draws: the template editor's preview area, which the editor passes with
// each request. The area's size gives the canvas size that placement and scaling refer to; the
// finished picture is handed back to be shown. Called on the thread that renders.
class EditorPreviewTarget
{
public:
    virtual ~EditorPreviewTarget() = default;
    virtual QSize previewSize() const = 0;
    // `problems`: files of the template that could not be read (their layers are missing
    // from the picture); empty when the picture shows the whole template.
    virtual void showPreview(const QImage& picture, const QStringList& problems) = 0;
    // A target that draws its preview itself (off the calling thread) takes the request here
    // and returns true; EditorPreview then renders nothing. By default it renders as above.
    virtual bool requestRender() { return false; }
};

struct RenderSettings;

// Renders with the windows' values `settings` (template, output and resize settings) and
// reports the outcome; EditorPreview draws into `preview`.
ComposeOutcome composeWatermarkOutcome(ComposeMode mode, const RenderSettings& settings,
                                       const QString& sourcePath, const QString& targetPath = QString(),
                                       EditorPreviewTarget* preview = nullptr);

// Returns 0, or -1 when EditorPreview has no editor preview to draw into (or the mode is not
// one of the three). Other failures are not reported here: use composeWatermarkOutcome.
int ComposeWatermark(int mode, const RenderSettings& settings, const QString& sourcePath,
                     const QString& targetPath = QString(), EditorPreviewTarget* preview = nullptr);
