#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTest>

#include <functional>

#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"

// Canvases, layers and pixel searches shared by the compositor tests.
namespace RenderTestSupport {

inline QImage whiteCanvas(const QSize& size)
{
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    return canvas;
}

// Writes a 16 x 16 opaque red square as a PNG file: the picture of a marker layer, easy to find
// in an output.
inline bool writeRedMarker(const QString& path)
{
    QImage marker(16, 16, QImage::Format_ARGB32);
    marker.fill(Qt::red);
    return marker.save(path, "PNG");
}

// A batch render of `source` with the template `templateName` into `outputFolder`, the
// output named with the suffix "_new", in `format`.
inline RenderRequest batchRequest(const QString& source, const QString& templateName,
                                  const QString& outputFolder, int format = OutputSettings::Jpeg)
{
    RenderRequest r;
    r.mode = ComposeMode::BatchOutput;
    r.sourcePath = source;
    r.templateName = templateName;
    r.output.OutputFolderOpts = OutputSettings::ToOutputFolder;
    r.output.OutputFolderPath = outputFolder;
    r.output.OutputFileNameOpts = OutputSettings::AddSuffix;
    r.output.OutputFileNameSuffix = QStringLiteral("_new");
    r.output.OutputFormat = format;
    return r;
}

// A text layer that draws plain black text, upright, unscaled, at the top-left corner.
inline WatermarkConf plainTextLayer(const QString& text = QStringLiteral("Lumora Plenum"))
{
    WatermarkConf conf;
    conf.textContent = text;
    conf.Location = 0;
    conf.Rotation = 0;
    conf.ScaleTextWT = 0;
    conf.TextColor = 0;
    return conf;
}

// A layer that draws only its picture.
inline WatermarkConf pictureOnlyLayer(const QString& path)
{
    WatermarkConf conf;
    conf.textContent = QStringLiteral(" ");
    conf.ImagePathName = path;
    conf.ImageLocation = 0;
    return conf;
}

inline QImage drawn(const WatermarkConf& conf, const QSize& size)
{
    QImage canvas = whiteCanvas(size);
    QPainter painter(&canvas);
    WatermarkCompositor::drawLayer(painter, conf, size, 250'000'000);
    painter.end();
    return canvas;
}

// Bounding box of the pixels for which `match` holds; empty when none.
inline QRect boxOf(const QImage& image, const std::function<bool(QRgb)>& match)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!match(line[x]))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Pixels that differ from white by more than a faint anti-aliasing fringe.
inline QRect inkBox(const QImage& image, int threshold = 64)
{
    return boxOf(image, [threshold](QRgb p) {
        return 255 - qRed(p) > threshold || 255 - qGreen(p) > threshold || 255 - qBlue(p) > threshold;
    });
}

inline int countPixels(const QImage& image, const std::function<bool(QRgb)>& match)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            count += match(line[x]) ? 1 : 0;
    }
    return count;
}

// True for pixels close to the colour (each channel within tolerance).
inline std::function<bool(QRgb)> near(QColor colour, int tolerance = 40)
{
    return [colour, tolerance](QRgb p) {
        return std::abs(qRed(p) - colour.red()) <= tolerance &&
               std::abs(qGreen(p) - colour.green()) <= tolerance &&
               std::abs(qBlue(p) - colour.blue()) <= tolerance;
    };
}

// Saves a template of the given layers, each written as its own layer file.
inline void writeTemplate(const QString& name, const QList<QPair<QString, WatermarkConf>>& layers)
{
    WatermarkTemplate tmpl;
    tmpl.name = name;
    for (const auto& [layerName, conf] : layers) {
        tmpl.layers.append(layerName);
        QVERIFY(SaveLayerConf(layerName, conf, conf.Font));
    }
    QVERIFY(saveWatermarkTemplate(tmpl));
}

// A stored colour (red + 256 green + 65536 blue).
inline quint32 colorRef(int red, int green, int blue)
{
    return quint32(red) | quint32(green) << 8 | quint32(blue) << 16;
}

} // namespace RenderTestSupport
