#include "render/TemplatePreview.h"

#include <QPainter>

#include "model/WatermarkConf.h"
#include "render/LayerOutline.h"
#include "render/TextFieldValues.h"
#include "render/WatermarkCompositor.h"
#include "services/imaging/ImageCanvas.h"
#include "services/language/FailureReason.h"
#include "services/sample/SamplePicture.h"

std::shared_ptr<const TemplatePreview::Source> TemplatePreview::sample()
{
    auto source = std::make_shared<Source>();
    source->shown = samplePicture();
    source->canvas = QSize(kDesignCanvasWidth, kDesignCanvasHeight);
    return source;
}

Outcome TemplatePreview::load(const QString& path, const PhotoCanvas::Options& options, const QSize& largest,
                              std::shared_ptr<const Source>& out)
{
    PhotoCanvas photo;
    PhotoCanvas::Options reading = options;
    reading.keepMetadata = true; // the fields are filled from its tags
    const Outcome loaded = PhotoCanvas::load(path, reading, photo);
    if (!loaded)
        return loaded;
    auto source = std::make_shared<Source>();
    source->path = path;
    source->canvas = photo.canvas.size();
    source->embedded = std::move(photo.embedded);
    const QSize fitted = photo.canvas.size().scaled(largest, Qt::KeepAspectRatio);
    if (fitted.width() < photo.canvas.width() && !fitted.isEmpty())
        source->shown = ImageCanvas::scaledHighQuality(photo.canvas, fitted);
    else
        source->shown = std::move(photo.canvas);
    if (source->shown.isNull())
        return Outcome::failure(FailureReason::tr("not enough memory for the preview of %1").arg(path));
    out = std::move(source);
    return Outcome();
}

TemplatePreview::Result TemplatePreview::render(const Source& source, const QString& templateName,
                                                qint64 pixelLimit, const QSize& fitInto)
{
    Result result;
    QSize size = source.shown.size();
    if (fitInto.isValid() && !source.canvas.isEmpty()) {
        size = source.canvas.scaled(fitInto, Qt::KeepAspectRatio);
        if (!source.path.isEmpty())
            size = size.boundedTo(source.canvas);
    }
    if (size == source.shown.size() || size.isEmpty())
        result.picture = source.shown.copy();
    else
        result.picture = source.shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (result.picture.isNull() || source.canvas.isEmpty())
        return result;
    const auto fields = [&source]() {
        return source.path.isEmpty()
                   ? TextFieldValues::sample(source.canvas)
                   : TextFieldValues::forPhoto(source.path, source.embedded, source.canvas, 0);
    };
    {
        QPainter painter(&result.picture);
        // The layers are placed on the full canvas and drawn at the shown size.
        painter.scale(qreal(result.picture.width()) / source.canvas.width(),
                      qreal(result.picture.height()) / source.canvas.height());
        result.problems = WatermarkCompositor::sentences(WatermarkCompositor::drawTemplate(
            painter, source.canvas, templateName, pixelLimit, nullptr, fields));
    }
    result.outside = LayerOutlines::layersOutside(templateName, source.canvas, pixelLimit, fields);
    return result;
}
