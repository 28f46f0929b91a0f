#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "render/ComposeWatermark.h"
#include "render/RenderRequest.h"

class ProfileColourConversion;
struct TextFieldValues;
struct WatermarkConf;

// The reentrant core of the compositor: every call works on its own canvas, layer record and
// settings snapshot (the request), so calls may run on several threads at once.
namespace WatermarkCompositor {

struct Result
{
    ComposeOutcome outcome;
    // EditorPreview: the finished sample picture, to be shown in the preview area.
    // PreviewFile: the picture whose PNG data was written (the output's pixels before encoding).
    QImage picture;
    // BatchOutput: the output was streamed (see JpegStream) rather than rendered whole.
    bool streamed = false;
};

// Renders as the request's mode says:
// - EditorPreview: the template drawn onto the built-in 677 x 625 sample picture, with
//   placement and scaling referring to request.previewSize;
// - PreviewFile: the photo stamped as BatchOutput would stamp it with the same settings (the
//   output format decides the colour conversion and the laying onto white), written as PNG
//   data to request.targetPath;
// - BatchOutput: the photo stamped and written under the output settings' name, JPEG with
//   the photo's metadata (stored turned back by its orientation), PNG, BMP, TIFF or WebP.
//   Outputs other than BMP carry the photo's ICC profile, and the watermark is drawn in that
//   profile's colours (see ProfileColourConversion). JPEG and BMP store no alpha: transparent
//   parts are laid onto white, as the output preview shows them.
// Fails with a reason when the photo cannot be read, the output path is the photo itself,
// or the output cannot be written; an existing output is then left as it was.
Result render(const RenderRequest& request);

// Draws every layer of the template, in order, onto a painter whose placement size is
// `canvas`. Each layer file is read over the record of the layer before it, starting from
// the new-template defaults. Every file that cannot be read (the template, a layer, a layer's
// picture) gives a failure naming it; the layers that can be read are still drawn. The list
// is empty when nothing was left out. A photo render fails on any problem, because a copy
// stamped with less than the template says must never look done; the template editor's
// preview shows what it can, with the problems. `colours`, when given, converts every layer's
// colours and pictures into a photo's profile before they are drawn. `fieldValues` gives what
// the fields of text layers with BTextTokens on are filled with; it is called once, when the
// first such layer is drawn, so a template without fields never reads the photo's tags
// (without it, fields are filled with empty values). `layerText`, when given, replaces the
// text of every layer that has one, with its fields filled.
QList<Outcome> drawTemplate(QPainter& painter, const QSize& canvas, const QString& templateName,
                            qint64 pixelLimit, const ProfileColourConversion* colours = nullptr,
                            const std::function<TextFieldValues()>& fieldValues = {},
                            const std::optional<QString>& layerText = std::nullopt);

// Draws one layer: its text part, then its picture part (when it names a picture). A picture
// that cannot be read makes it fail with a sentence naming the file. A text with fields
// (BTextTokens on) is filled from `fields` (empty values when null) before it is measured,
// scaled and placed.
Outcome drawLayer(QPainter& painter, const WatermarkConf& conf, const QSize& canvas, qint64 pixelLimit,
                  const ProfileColourConversion* colours = nullptr, const TextFieldValues* fields = nullptr);

// The sentences of a list of outcomes, in order.
QStringList sentences(const QList<Outcome>& outcomes);

} // namespace WatermarkCompositor
