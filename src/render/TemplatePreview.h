#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

#include "render/PhotoCanvas.h"
#include "services/files/Outcome.h"

// The template editor's preview of a template on a picture: the built-in sample, or a photo
// made ready as a run makes it (resize settings applied, turned upright, text fields filled
// from its tags). The photo is decoded once and kept at the size shown, while placement and
// scaling refer to the photo's full size (the canvas), so that the layers land where a run
// puts them and redrawing costs no more than the shown size. Thread-safe: a source is not
// changed once made, renders take their own copy of it.
class TemplatePreview
{
public:
    struct Source
    {
        QString path; // empty: the built-in sample
        QSize canvas; // the size placement and scaling refer to
        QImage shown; // the picture drawn on, at most the size asked for
        PhotoMetadata embedded;
    };

    // The sample: canvas 677 x 625, shown at that size.
    static std::shared_ptr<const Source> sample();
    // The photo as a run with these options makes it, shown fitted into `largest` (never
    // enlarged). Fails with the reason a run would give.
    static Outcome load(const QString& path, const PhotoCanvas::Options& options, const QSize& largest,
                        std::shared_ptr<const Source>& out);

    struct Result
    {
        QImage picture;       // the shown picture with the template drawn on it
        QStringList problems; // files that could not be read (their layers are left out)
        QStringList outside;  // layers whose drawing lies partly outside the canvas
    };
    // Draws the template's layers (read from their files now) onto a copy of the shown
    // picture made to fit `fitInto` (a photo never beyond its canvas; invalid: as it is), the
    // sample's fields filled with the sample's values, a photo's with its own. Drawn at the
    // size it is shown at, the text stays sharp and the window only copies the picture.
    static Result render(const Source& source, const QString& templateName, qint64 pixelLimit,
                         const QSize& fitInto = QSize());
};
