// Fuzzes the layer-file reader into the render record and the drawing it drives: the input
// is a layer file in the templates folder; it is read over the new-template defaults, drawn
// onto a small canvas, stored back element by element and read again. Besides the
// sanitizers, it aborts when a stored record does not read back as the same record.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzGui.h"
#include "FuzzWorkFolder.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartFuzzGui(argc, argv);
    setTemplatesFolder(FuzzWorkFolder().path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString layer = QStringLiteral("fuzz layer");
    {
        QFile file(FuzzWorkFolder().filePath(layer + QStringLiteral(".xml")));
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    WatermarkConf conf;
    const bool loaded = LoadLayerConf(layer, conf);

    // Picture layers would read any file the input names; the path is kept to the work folder.
    if (!conf.ImagePathName.isEmpty())
        conf.ImagePathName = FuzzWorkFolder().filePath(QStringLiteral("missing.png"));
    QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::gray);
    {
        QPainter painter(&canvas);
        WatermarkCompositor::drawLayer(painter, conf, canvas.size(), 64 * 48);
    }

    if (!loaded)
        return 0;
    WatermarkConf edited;
    Check(LoadEditConf(layer, edited));
    Check(StoreEditConf(layer, edited));
    WatermarkConf reread;
    Check(LoadEditConf(layer, reread));
    Check(reread == edited);
    return 0;
}
