// Times the template editor's preview: the demonstration layer with its shadow switched on,
// drawn onto the built-in sample picture (placement size 677 x 625), as the editor redraws
// it on every change. Prints the median, the fastest and the slowest time in milliseconds.
//
//   lumora-bench-preview [RUNS]        (default 200 runs after 10 warm-up runs)
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "model/LayerFiles.h"
#include "model/TemplateStore.h"
#include "model/WatermarkTemplate.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/sample/SamplePicture.h"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    registerApplicationFonts();

    QTemporaryDir data;
    setAppDataFolderOverride(data.path());
    initTemplatesFolder();
    CreateDefaultTemplates();
    WatermarkTemplate demo;
    WatermarkConf layer;
    if (!loadWatermarkTemplate(QStringLiteral("Demo 1"), demo) || demo.layers.isEmpty() ||
        !LoadLayerConf(demo.layers.constFirst(), layer)) {
        std::fprintf(stderr, "cannot prepare the demonstration template\n");
        return 1;
    }
    layer.BAddShadow = 1;
    SaveLayerConf(demo.layers.constFirst(), layer, layer.Font);

    RenderRequest request;
    request.mode = ComposeMode::EditorPreview;
    request.templateName = demo.name;
    request.previewSize = QSize(kSamplePictureWidth, kSamplePictureHeight);

    std::vector<double> times;
    for (int i = 0; i < runs + 10; ++i) {
        QElapsedTimer timer;
        timer.start();
        const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!result.outcome.ok()) {
            std::fprintf(stderr, "render failed: %s\n", qPrintable(result.outcome.sentence()));
            return 1;
        }
        if (i >= 10)
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("median %.3f ms, fastest %.3f ms, slowest %.3f ms over %d runs\n", times[times.size() / 2],
                times.front(), times.back(), runs);
    return 0;
}
