// Fuzzes the image pipeline of a batch run: the input (a JPEG, PNG, BMP, TIFF or GIF file of
// at most 256 x 256 pixels) is decoded, stamped with the demonstration template and encoded
// in the output format that the input's last byte picks. Besides the sanitizers, it aborts
// when a render reports success without a readable output of the photo's size, or a failure
// without a reason, or leaves a temporary file behind.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QString>
#include <QThreadPool>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzGui.h"
#include "FuzzWorkFolder.h"
#include "model/OutputSettings.h"
#include "model/TemplateStore.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"
#include "services/imaging/PhotoDecoder.h"

namespace {

constexpr qint64 kPixelLimit = 256 * 256;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

QString OutputFolder()
{
    return FuzzWorkFolder().filePath(QStringLiteral("out"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartFuzzGui(argc, argv);
    // Renders run on the global thread pool, and each of its threads keeps its own font
    // cache, freed when the thread ends. A thread still waiting for work when the run ends
    // would have its cache reported by the exit-time leak check, so threads end as soon as
    // they are idle: every input then also goes through a thread's whole font set-up and
    // tear-down, where a real leak would add up input after input.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    setAppDataFolderOverride(FuzzWorkFolder().filePath(QStringLiteral("data")));
    setDocumentsFolderOverride(FuzzWorkFolder().filePath(QStringLiteral("documents")));
    initTemplatesFolder();
    CreateDefaultTemplates();
    QDir().mkpath(OutputFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString photo = FuzzWorkFolder().filePath(QStringLiteral("photo.img"));
    {
        QFile file(photo);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    RenderRequest request;
    request.mode = ComposeMode::BatchOutput;
    request.sourcePath = photo;
    request.templateName = QStringLiteral("Demo 1");
    request.output.OutputFolderOpts = OutputSettings::ToOutputFolder;
    request.output.OutputFolderPath = OutputFolder();
    request.output.OutputFileNameOpts = OutputSettings::AddSuffix;
    request.output.OutputFileNameSuffix = QStringLiteral("_new");
    request.output.OutputFormat = size > 0 ? data[size - 1] % 4 : 0;
    request.pixelLimit = kPixelLimit;

    const ComposeOutcome outcome = WatermarkCompositor::render(request).outcome;
    const QStringList left = QDir(OutputFolder()).entryList(QDir::Files | QDir::Hidden);
    if (!outcome.ok()) {
        Check(!outcome.sentence().isEmpty());
        Check(left.isEmpty());
        return 0;
    }
    Check(left.size() == 1);
    // A whole picture of the photo's size (turned upright, or stored as the photo was).
    PhotoDecoder input;
    input.setPixelLimit(kPixelLimit);
    Check(bool(input.open(photo)));
    QImageReader reader(outcome.outputPath);
    QImage written;
    Check(reader.read(&written));
    const QSize expected = input.storedSize();
    Check(written.size() == expected || written.size().transposed() == expected);
    Check(QFile::remove(outcome.outputPath));
    return 0;
}
