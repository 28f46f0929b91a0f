// Times typing into the template editor with a large photo in its preview: the editor (offscreen
// unless a platform is named) shows PHOTO (by default a 6000 x 4000 JPEG made here, 24 MP)
// chosen from its photo list; 20 characters are typed into the text field at 10 per second.
// For each key it measures the time from the key to the preview painting a picture that shows
// it (median and 95th percentile), and a timer probe ticking every 4 ms on the window thread
// counts the gaps longer than 16 ms, and the gaps in which the thread itself worked more than
// 16 ms of processor time (the window thread busy). Prints one line of figures.
//
//   lumora-bench-editor [PHOTO]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/EditorPreviewArea.h"
#include "ui/editor/EditorPreviewRenderer.h"
#include "ui/editor/PreviewPhotoChooser.h"

namespace {

QString makePhoto(const QString& path)
{
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 6000, 4000);
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(1, QColor(220, 180, 120));
    painter.fillRect(photo.rect(), sky);
    painter.end();
    return photo.save(path, "JPEG", 92) ? path : QString();
}

// The calling thread's processor time.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(share * (values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerApplicationFonts();
    QTemporaryDir data;
    setAppDataFolderOverride(data.path() + QStringLiteral("/data"));
    initTemplatesFolder();
    CreateDefaultTemplates();
    const QString photo =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : makePhoto(data.path() + QStringLiteral("/photo.jpg"));
    if (photo.isEmpty()) {
        std::fprintf(stderr, "cannot make the photo\n");
        return 1;
    }

    RenderSettings settings;
    settings.templateName = QStringLiteral("Demo 1");
    CEditTemplateDlg editor(settings);
    editor.setPreviewPhotos({photo});
    editor.show();
    EditorPreviewRenderer* renderer = editor.previewRenderer();
    editor.photoChooser()->step(1);
    if (!QTest::qWaitFor([&] { return !editor.isRendering(); }, 60000) || renderer->photo() != photo) {
        std::fprintf(stderr, "the photo was not shown\n");
        return 1;
    }
    auto* text = editor.textPage()->findChild<QLineEdit*>(QStringLiteral("text_edit"));
    text->setFocus();
    text->selectAll();

    // The window thread's probe.
    // A late tick on a loaded machine may be the thread waiting for a core rather than
    // working: the thread's own processor time between ticks tells the two apart.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.elapsed();
    double lastCpu = threadCpuMs();
    qint64 longestGap = 0;
    double longestBusy = 0;
    int lateTicks = 0;
    int busyTicks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const double cpu = threadCpuMs();
        const qint64 gap = now - lastTick;
        longestGap = std::max(longestGap, gap);
        longestBusy = std::max(longestBusy, cpu - lastCpu);
        lateTicks += gap > 16 ? 1 : 0;
        busyTicks += cpu - lastCpu > 16 ? 1 : 0;
        lastTick = now;
        lastCpu = cpu;
    });

    // Key k is shown by the first paint of a picture whose request number is at least k's.
    std::vector<quint64> keyRequests;
    std::vector<qint64> keyTimes;
    std::vector<double> latencies;
    size_t waiting = 0;
    QObject::connect(editor.previewArea(), &EditorPreviewArea::painted, [&] {
        const qint64 now = clock.nsecsElapsed();
        while (waiting < keyRequests.size() && renderer->shown() >= keyRequests[waiting]) {
            latencies.push_back((now - keyTimes[waiting]) / 1e6);
            ++waiting;
        }
    });

    const QString typed = QStringLiteral("Studio Lumora 2026 ©");
    probe.start(4);
    for (int i = 0; i < typed.size(); ++i) {
        const qint64 due = i * 100;
        while (clock.elapsed() < due)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const qint64 at = clock.nsecsElapsed();
        lastTick = clock.elapsed();
        lastCpu = threadCpuMs();
        QTest::keyClicks(text, typed.mid(i, 1));
        keyTimes.push_back(at);
        keyRequests.push_back(renderer->requested());
    }
    const bool allShown = QTest::qWaitFor([&] { return waiting == keyRequests.size(); }, 30000);
    probe.stop();
    if (!allShown || latencies.size() != keyRequests.size()) {
        std::fprintf(stderr, "only %zu of %zu keys were shown\n", latencies.size(), keyRequests.size());
        return 1;
    }
    std::printf(
        "key to preview: median %.1f ms, 95th percentile %.1f ms over %zu keys; window thread: "
        "%d gaps over 16 ms (longest %lld ms), %d busy over 16 ms (longest %.1f ms of processor time)\n",
        percentile(latencies, 0.5), percentile(latencies, 0.95), latencies.size(), lateTicks,
        static_cast<long long>(longestGap), busyTicks, longestBusy);
    return 0;
}
