#include "cli/BatchCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

#include "cli/AnswerStream.h"
#include "cli/ProgressBar.h"
#include "model/DataFiles.h"
#include "model/LosslessJpeg.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "model/WatermarkTemplate.h"
#include "render/BatchRunner.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"
#include "services/imaging/ImageEncoder.h"
#include "services/sample/SamplePicture.h"

namespace {

// The first start of the desktop program: default preferences, demonstration template.
bool prepareDataFolder(QTextStream& err)
{
    const QString data = GetAppDataFolder();
    if (!QFileInfo(data).isDir()) {
        err << "lumora-batch: cannot create the data folder " << data << Qt::endl;
        return false;
    }
    CreateDefaultPreferences();
    CreateDefaultTemplates();
    return true;
}

// The template to stamp with: the one named, else the one "config.ini" selects in the
// template list, else the first. Empty, with a message on `err`, when there is none.
QString chooseTemplate(const QString& named, QTextStream& err)
{
    if (!named.isEmpty()) {
        WatermarkTemplate tmpl;
        if (!LoadWatermarkTemplate(named, tmpl)) {
            err << "lumora-batch: "
                << DescribeUnreadableDataFile(QStringLiteral("template \"%1\"").arg(named),
                                              TemplateFilePath(named), QStringLiteral("Layers"))
                << Qt::endl;
            return QString();
        }
        return named;
    }
    QStringList names;
    if (!LoadTemplateNames(names)) {
        err << "lumora-batch: cannot read the template list in " << GetTemplatesFolder() << Qt::endl;
        return QString();
    }
    if (names.isEmpty()) {
        err << "lumora-batch: the template list is empty" << Qt::endl;
        return QString();
    }
    const int index = LoadSelectedTemplateIndex();
    return index >= 0 && index < names.size() ? names.at(index) : names.constFirst();
}

// The settings a batch run reads once at its start.
bool prepareRequest(ComposeMode mode, const StampOptions& options, RenderRequest& request, QTextStream& err)
{
    if (!prepareDataFolder(err))
        return false;
    const QString tmpl = chooseTemplate(options.templateName, err);
    if (tmpl.isEmpty())
        return false;
    SetSelectedTemplateName(tmpl);
    // Only a batch writes where the output settings say; previews and samples do not need them.
    const QString unreadable = mode == ComposeMode::BatchOutput ? LoadPreferencesForRun() : QString();
    if (!unreadable.isEmpty()) {
        err << "lumora-batch: " << unreadable << Qt::endl;
        return false;
    }
    if (mode != ComposeMode::BatchOutput)
        LoadPreferences();
    LoadResizeSettings();
    if (options.resize)
        SetResizePictures(true);
    // The stored choice, which --lossless turns on for the run.
    LoadLosslessJpeg();
    if (options.lossless)
        SetLosslessJpeg(true);
    request = RenderRequest::fromProcessSettings(mode, QString(), QString());
    return true;
}

} // namespace

int ListTemplates(QTextStream& out, QTextStream& err)
{
    if (!prepareDataFolder(err))
        return 1;
    QStringList names;
    if (!LoadTemplateNames(names)) {
        err << "lumora-batch: cannot read the template list in " << GetTemplatesFolder() << Qt::endl;
        return 1;
    }
    for (const QString& name : names)
        out << name << '\n';
    out.flush();
    return 0;
}

int StampPhotos(const QStringList& photos, const StampOptions& options, QTextStream& out, QTextStream& err)
{
    RenderRequest base;
    if (!prepareRequest(ComposeMode::BatchOutput, options, base, err))
        return 1;

    const int jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
    ProgressBar progress(AnswerStream::get(), int(photos.size()));
    progress.update(0);
    int failed = 0;
    int taken = 0;
    BatchRunner runner(base.output, photos, [&base](const QString& path) {
        RenderRequest request = base;
        request.sourcePath = path;
        return WatermarkCompositor::render(request).outcome;
    });
    const auto next = [&]() -> std::optional<BatchRunner::Photo> {
        if (taken >= photos.size())
            return std::nullopt;
        const int index = taken++;
        return BatchRunner::Photo{photos.at(index), index};
    };
    runner.run(jobs, next, [&](const BatchRunner::Photo& photo, const ComposeOutcome& outcome) {
        progress.clear();
        if (outcome.ok) {
            out << outcome.outputPath << Qt::endl;
        } else {
            ++failed;
            AnswerStream::writeFailure(err, photo.path, outcome.error);
        }
        progress.update(photo.tag + 1);
    });
    progress.clear();
    return failed == 0 ? 0 : 1;
}

int PreviewPhoto(const QString& photo, const QString& target, const StampOptions& options, QTextStream& out,
                 QTextStream& err)
{
    RenderRequest request;
    if (!prepareRequest(ComposeMode::PreviewFile, options, request, err))
        return 1;
    request.sourcePath = photo;
    request.targetPath = target;
    const ComposeOutcome outcome = WatermarkCompositor::render(request).outcome;
    if (!outcome.ok) {
        err << photo << ": " << outcome.error << Qt::endl;
        return 1;
    }
    out << outcome.outputPath << Qt::endl;
    return 0;
}

int DrawSample(const QString& target, const StampOptions& options, QTextStream& out, QTextStream& err)
{
    RenderRequest request;
    if (!prepareRequest(ComposeMode::EditorPreview, options, request, err))
        return 1;
    request.previewSize = QSize(kSamplePictureWidth, kSamplePictureHeight);
    const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
    // A sample missing a layer the template names would look like the template: it fails
    // like a photo, naming the files that cannot be read.
    ImagingStatus written = !result.outcome.ok ? ImagingStatus::failure(result.outcome.error)
                            : !result.outcome.warnings.isEmpty()
                                ? ImagingStatus::failure(result.outcome.warnings.join(QStringLiteral("; ")))
                                : ImageEncoder::writePng(result.picture, target);
    if (!written) {
        err << "lumora-batch: " << written.error << Qt::endl;
        return 1;
    }
    out << target << Qt::endl;
    return 0;
}
