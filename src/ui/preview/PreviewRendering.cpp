#include "ui/preview/PreviewRendering.h"

#include <QFileInfo>
#include <QImageReader>

#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "render/ComposeWatermark.h"
#include "render/LayerOutline.h"
#include "render/RenderRequest.h"
#include "render/TextFieldValues.h"
#include "services/folders/FolderTree.h"
#include "services/imaging/ImageCanvas.h"
#include "ui/preview/PreviewCache.h"

PreviewPicture renderPreviewPicture(const QString& photoPath)
{
    PreviewPicture picture;
    picture.photoPath = photoPath;
    picture.previewPath = PreviewCache::pathFor(photoPath);

    const QFileInfo cached(picture.previewPath);
    if (!cached.exists() && !cached.isSymLink()) {
        CreateFolderPath(PreviewCache::folderFor(photoPath));
        const ComposeOutcome outcome =
            composeWatermarkOutcome(ComposeMode::PreviewFile, photoPath, picture.previewPath);
        picture.composed = true;
        if (!outcome.ok) {
            picture.error = outcome.error;
            return picture;
        }
    }

    // The cache file holds PNG data whatever its name says.
    QImageReader reader(picture.previewPath);
    reader.setDecideFormatFromContent(true);
    QImage rendered;
    if (!reader.read(&rendered)) {
        picture.error = reader.errorString();
        return picture;
    }
    picture.renderedSize = rendered.size();
    // Placement refers to the photo at the size the run makes it, which the cache file has.
    picture.outside = LayerOutlines::layersOutside(
        SelectedTemplateName(), picture.renderedSize, RenderRequest::pixelLimitFromEnvironment(), [&]() {
            PhotoDecoder decoder;
            const bool opened = static_cast<bool>(decoder.open(photoPath));
            return TextFieldValues::forPhoto(photoPath, opened ? decoder.embeddedMetadata() : PhotoMetadata(),
                                             picture.renderedSize, 0);
        });

    QSize output = ComputeOutputSize(rendered.width(), rendered.height());
    if (output.width() <= 0 || output.height() <= 0)
        output = rendered.size();
    picture.display = ImageCanvas::scaledHighQuality(rendered.convertToFormat(ImageCanvas::kFormat), output);
    return picture;
}
