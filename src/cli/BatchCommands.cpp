#include "cli/BatchCommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/AnswerStream.h"
#include "cli/PhotoAnswers.h"
#include "cli/PhotoList.h"
#include "cli/ProgressBar.h"
#include "cli/SystemErrorText.h"
#include "cli/UpToDateCheck.h"
#include "model/DataFiles.h"
#include "model/ExistingOutputChoice.h"
#include "model/LosslessJpeg.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "model/WatermarkTemplate.h"
#include "render/BatchRunner.h"
#include "render/OutputNaming.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"
#include "services/imaging/ImageEncoder.h"
#include "services/sample/SamplePicture.h"

namespace {

// The first start of the desktop program: default preferences, demonstration template.
// A complete data folder is only read, so that any number of runs can share it (read-only,
// copied to many machines); one that is incomplete and cannot be written fails with the
// reason instead of with a missing file later.
bool prepareDataFolder(QTextStream& err)
{
    const QString data = GetAppDataFolder();
    if (!QFileInfo(data).isDir()) {
        err << "lumora-batch: cannot create the data folder " << data << Qt::endl;
        return false;
    }
    const QString preferences = preferencesPath();
    QStringList missing;
    if (!QFileInfo::exists(preferences) && !QFileInfo(preferences).isSymLink())
        missing << QFileInfo(preferences).fileName();
    if (!QFileInfo::exists(getTemplatesFolder()))
        missing << QDir(data).relativeFilePath(getTemplatesFolder());
    if (missing.isEmpty())
        return true;
    if (::access(QFile::encodeName(data).constData(), W_OK) != 0) {
        err << "lumora-batch: the data folder " << data << " lacks " << missing.join(QStringLiteral(" and "))
            << " and cannot be prepared: " << systemErrorText(errno) << Qt::endl;
        return false;
    }
    CreateDefaultPreferences();
    CreateDefaultTemplates();
    return true;
}

// Makes `path` and its missing parents; false with the reason when a part cannot be made.
bool makeFolder(const QString& path, QString& reason)
{
    const QByteArray bytes = QFile::encodeName(QDir::cleanPath(path));
    qsizetype end = 0;
    while (end < bytes.size()) {
        end = bytes.indexOf('/', end + 1);
        if (end < 0)
            end = bytes.size();
        const QByteArray part = bytes.left(end);
        struct stat info = {};
        if (::stat(part.constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                reason = QStringLiteral("%1 is not a folder").arg(QFile::decodeName(part));
                return false;
            }
            continue;
        }
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) {
            reason = systemErrorText(errno);
            return false;
        }
    }
    return true;
}

// The template to stamp with: the one named, else the one "config.ini" selects in the
// template list, else the first. Empty, with a message on `err`, when there is none.
QString chooseTemplate(const QString& named, QTextStream& err)
{
    if (!named.isEmpty()) {
        WatermarkTemplate tmpl;
        if (!loadWatermarkTemplate(named, tmpl)) {
            err << "lumora-batch: "
                << describeUnreadableDataFile(QStringLiteral("template \"%1\"").arg(named),
                                              templateFilePath(named), QStringLiteral("Layers"))
                << Qt::endl;
            return QString();
        }
        return named;
    }
    QStringList names;
    if (!loadTemplateNames(names)) {
        err << "lumora-batch: cannot read the template list in " << getTemplatesFolder() << Qt::endl;
        return QString();
    }
    if (names.isEmpty()) {
        err << "lumora-batch: the template list is empty" << Qt::endl;
        return QString();
    }
    const int index = loadSelectedTemplateIndex();
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
    setSelectedTemplateName(tmpl);
    // Only a batch writes where the output settings say; previews and samples do not need them.
    const QString unreadable = mode == ComposeMode::BatchOutput ? loadPreferencesForRun() : QString();
    if (!unreadable.isEmpty()) {
        err << "lumora-batch: " << unreadable << Qt::endl;
        return false;
    }
    if (mode != ComposeMode::BatchOutput)
        LoadPreferences();
    LoadResizeSettings();
    if (options.resize)
        setResizePictures(true);
    // The stored choice, which --lossless turns on for the run.
    loadLosslessJpeg();
    if (options.lossless)
        setLosslessJpeg(true);
    request = RenderRequest::fromProcessSettings(mode, QString(), QString());
    return true;
}

// "-" and "/dev/stdout" as the file of --preview or --sample: the PNG bytes go to standard
// output instead (writing "/dev/stdout" as a file would replace the link, or the terminal).
bool isStandardOutput(const QString& target)
{
    return target == QLatin1String("-") || target == QLatin1String("/dev/stdout");
}

// Runs `write` with the file it should write: `target`, or for standard output a file in a
// temporary folder whose bytes are then copied to `out` in place of the line naming the file.
template <typename Write> int writeTo(const QString& target, QTextStream& out, QTextStream& err, Write write)
{
    if (!isStandardOutput(target)) {
        const int code = write(target);
        if (code == 0)
            out << AnswerStream::escaped(target) << Qt::endl;
        return code;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        err << "lumora-batch: cannot make a temporary folder: " << folder.errorString() << Qt::endl;
        return 1;
    }
    const QString file = folder.filePath(QStringLiteral("out.png"));
    const int code = write(file);
    if (code != 0)
        return code;
    QFile picture(file);
    if (!picture.open(QIODevice::ReadOnly)) {
        err << "lumora-batch: cannot read " << file << ": " << picture.errorString() << Qt::endl;
        return 1;
    }
    out.flush();
    if (QIODevice* device = out.device())
        device->write(picture.readAll());
    else
        out << QString::fromLatin1(picture.readAll()) << Qt::flush;
    return 0;
}

} // namespace

int ListTemplates(QTextStream& out, QTextStream& err)
{
    if (!prepareDataFolder(err))
        return 1;
    QStringList names;
    if (!loadTemplateNames(names)) {
        err << "lumora-batch: cannot read the template list in " << getTemplatesFolder() << Qt::endl;
        return 1;
    }
    for (const QString& name : names)
        out << name << '\n';
    out.flush();
    return 0;
}

int stampPhotos(const PhotoSources& sources, const StampOptions& options, QTextStream& out, QTextStream& err)
{
    PhotoList list;
    list.addNames(sources.names, sources.recursive);
    if (!sources.listFile.isEmpty() &&
        !list.addListFile(sources.listFile, sources.nullSeparated, sources.recursive)) {
        err << "lumora-batch: " << list.error() << Qt::endl;
        return 1;
    }
    const QStringList& photos = list.photos();

    RenderRequest base;
    if (!prepareRequest(ComposeMode::BatchOutput, options, base, err))
        return 1;
    // Overrides for this run only: preference.xml is not written.
    if (!options.outputDir.isEmpty()) {
        const QString folder = QDir::cleanPath(QDir(options.outputDir).absolutePath());
        QString reason;
        if (!makeFolder(folder, reason)) {
            err << "lumora-batch: cannot make the output folder " << folder << ": " << reason << Qt::endl;
            return 1;
        }
        base.output.OutputFolderOpts = OutputSettings::ToOutputFolder;
        base.output.OutputFolderPath = folder;
    }
    if (options.format >= 0)
        base.output.OutputFormat = options.format;
    base.output.ifOutputExists =
        options.ifExists >= 0 ? OutputSettings::ExistingOutput(options.ifExists) : readExistingOutputChoice();
    // Without the template's times no output can be known to be up to date: all are written.
    const UpToDateCheck upToDate(options.skipExisting ? base.templateName : QString(),
                                 OutputNaming::outputFormat(base.output));

    PhotoAnswers answers(out, err, options.json);
    int failed = 0;
    for (const PhotoList::Problem& problem : list.problems()) {
        ++failed;
        answers.failed(problem.path, problem.reason, 0);
    }

    const int jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
    ProgressBar progress(AnswerStream::get(), int(photos.size()));
    progress.update(0);
    // Per photo, filled on the worker that renders it and read when it is reported.
    std::vector<qint64> milliseconds(size_t(photos.size()), 0);
    std::vector<char> skipped(size_t(photos.size()), 0);
    int taken = 0;
    BatchRunner runner(base.output, photos, [&](const BatchRunner::Photo& photo) {
        QElapsedTimer timer;
        timer.start();
        RenderRequest request = base;
        request.sourcePath = photo.path;
        // The photo's place in the list, for the counter of text fields (the tag is its index).
        request.photoNumber = BatchRunner::photoNumberOnThisThread();
        request.targetPath = BatchRunner::plannedOutputOnThisThread();
        ComposeOutcome outcome;
        const QString output =
            upToDate.isReady() ? OutputNaming::outputPath(photo.path, base.output) : QString();
        if (upToDate.isUpToDate(output, photo.path)) {
            skipped[size_t(photo.tag)] = 1;
            outcome.ok = true;
            outcome.outputPath = output;
        } else {
            outcome = WatermarkCompositor::render(request).outcome;
        }
        milliseconds[size_t(photo.tag)] = timer.elapsed();
        return outcome;
    });
    const auto next = [&]() -> std::optional<BatchRunner::Photo> {
        if (taken >= photos.size())
            return std::nullopt;
        const int index = taken++;
        return BatchRunner::Photo{photos.at(index), index};
    };
    runner.run(jobs, next, [&](const BatchRunner::Photo& photo, const ComposeOutcome& outcome) {
        progress.clear();
        const qint64 time = milliseconds[size_t(photo.tag)];
        if (!outcome.ok) {
            ++failed;
            answers.failed(photo.path, outcome.error, time);
        } else if (skipped[size_t(photo.tag)] || outcome.skipped) {
            answers.skipped(photo.path, outcome.outputPath, time);
        } else {
            answers.written(photo.path, outcome.outputPath, time);
        }
        progress.update(photo.tag + 1);
    });
    progress.clear();
    return failed == 0 ? 0 : 1;
}

int previewPhoto(const QString& photo, const QString& target, const StampOptions& options, QTextStream& out,
                 QTextStream& err)
{
    RenderRequest request;
    if (!prepareRequest(ComposeMode::PreviewFile, options, request, err))
        return 1;
    return writeTo(target, out, err, [&](const QString& file) {
        request.sourcePath = photo;
        request.targetPath = file;
        const ComposeOutcome outcome = WatermarkCompositor::render(request).outcome;
        if (!outcome.ok) {
            AnswerStream::writeFailure(err, photo, outcome.error);
            return 1;
        }
        return 0;
    });
}

int drawSample(const QString& target, const StampOptions& options, QTextStream& out, QTextStream& err)
{
    RenderRequest request;
    if (!prepareRequest(ComposeMode::EditorPreview, options, request, err))
        return 1;
    request.previewSize = QSize(kSamplePictureWidth, kSamplePictureHeight);
    const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
    return writeTo(target, out, err, [&](const QString& file) {
        // A sample missing a layer the template names would look like the template: it fails
        // like a photo, naming the files that cannot be read.
        const ImagingStatus written =
            !result.outcome.ok ? ImagingStatus::failure(result.outcome.error)
            : !result.outcome.warnings.isEmpty()
                ? ImagingStatus::failure(result.outcome.warnings.join(QStringLiteral("; ")))
                : ImageEncoder::writePng(result.picture, file);
        if (!written) {
            err << "lumora-batch: " << written.error << Qt::endl;
            return 1;
        }
        return 0;
    });
}
