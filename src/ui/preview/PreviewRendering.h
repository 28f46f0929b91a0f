#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include "model/OutputQuality.h"
#include "render/RenderRequest.h"

// One picture of the output preview: the photo rendered with the current template and
// settings, at the output size, exactly as the run would stamp it (before encoding).
struct PreviewPicture
{
    QString photoPath;
    QString previewPath;    // the cache file
    bool composed = false;  // the compositor ran (no current cache file was there)
    QSize renderedSize;     // size of the rendered picture (the output size)
    QImage display;         // the rendered picture; null when nothing can be shown
    QImage fitted;          // display scaled into the picture area it was rendered for (null: not needed)
    QString error;          // why nothing can be shown
    QByteArray fingerprint; // the render fingerprint it was made under
    QStringList outside;    // the template's layers whose drawing lies partly outside the photo
    bool asWritten = false; // display shows the output as it will be written (encoded, decoded)
};

// The request a preview renders with: the window's values `settings`, in preview-file mode into
// the photo's cache path. `photoNumber` is the photo's place in the list from 1 (the {counter}
// field of text layers shows what the run writes there); 0 when unknown.
RenderRequest previewRequest(const RenderSettings& settings, const QString& photoPath, int photoNumber);

// A hash of everything a render of the request reads: the photo file (path, size, time), the
// template's and its layers' files, the layers' pictures (path, size, time) and the settings
// (template name, output format, resize values and switch, pixel limit, photo number).
QByteArray renderFingerprint(const RenderRequest& request);

// Renders a photo for the preview by a previewRequest. The cache file is used only when this process wrote it
// under the same fingerprint (PreviewCache::isCurrent); otherwise the compositor renders the
// photo (preview-file mode, at the output size). With `writeCache` the cache file is written
// at once; without it the picture comes back with `composed` set and writePreviewCache writes
// it later (a PNG file of a large photo takes many times as long as its render). With a
// non-empty `area`, the picture is also scaled to the size it is shown at in an area of that
// size (`fitted`), so that the window only draws it. Safe to call on a worker thread.
// With `asWritten` the picture shown is the output as it will be written: encoded in the output
// format with the output quality (config.ini) and decoded again from those bytes, so that a low
// quality shows before a run; a failed encoding leaves the picture as rendered, with the reason.
// Such a picture is never written to the cache file, which holds the render itself.
PreviewPicture renderPreviewPicture(const RenderRequest& preview, const QSize& area = QSize(),
                                    bool writeCache = true, bool asWritten = false);

// Writes a composed picture's cache file and remembers its fingerprint. Any thread.
bool writePreviewCache(const PreviewPicture& picture);

// The picture encoded as an output of the photo would be (format and quality as given, the JPEG
// photo's own chroma sampling when the quality says so) and decoded again; null with `error`
// set when it cannot be encoded.
QImage asWrittenLook(const QImage& picture, const QString& photoPath, int outputFormat,
                     const OutputQuality& quality, QString* error = nullptr);
