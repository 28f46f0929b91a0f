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
#include "model/OutputSettings.h"
#include "model/RenderSettings.h"
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
#include "services/imaging/PhotoDecoder.h"
#include "services/sample/SamplePicture.h"

namespace {

// The first start of the desktop program: default preferences, demonstration template.
// A complete data folder is only read, so that any number of runs can share it (read-only,
// copied to many machines); one that is incomplete and cannot be written fails with the
// reason instead of with a missing file later.
bool prepareDataFolder(QString& reason)
{
    const QString data = GetAppDataFolder();
    if (!QFileInfo(data).isDir()) {
        reason = QStringLiteral("cannot create the data folder ") + data;
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
        const int error = errno;
        reason = QStringLiteral("the data folder %1 lacks %2 and cannot be prepared: %3")
                     .arg(data, missing.join(QStringLiteral(" and ")), systemErrorText(error));
        return false;
    }
    // The default output folder is made by the first output written there, not now.
    CreateDefaultPreferences(false);
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

// Whether `path` could be made as makeFolder makes it: its nearest existing part is a folder
// this process may write into (or `path` itself exists as a folder). Nothing is made.
bool folderCouldBeMade(const QString& path, QString& reason)
{
    QString part = QDir::cleanPath(path);
    while (true) {
        struct stat info = {};
        if (::stat(QFile::encodeName(part).constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                reason = QStringLiteral("%1 is not a folder").arg(part);
                return false;
            }
            if (part != QDir::cleanPath(path) && ::access(QFile::encodeName(part).constData(), W_OK) != 0) {
                reason = systemErrorText(errno);
                return false;
            }
            return true;
        }
        const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return true;
        part = part.left(slash);
    }
}

// A dry run's answer for one photo: where its output would go, once the photo is read whole.
ComposeOutcome planPhoto(const QString& photo, const RenderRequest& base)
{
    const OutputNaming::OutputName output = OutputNaming::outputPath(photo, base.output);
    if (!output)
        return ComposeOutcome(output);
    QImage image;
    const Outcome read = PhotoDecoder::load(photo, image, base.pixelLimit);
    if (!read)
        return ComposeOutcome(read);
    return ComposeOutcome(Outcome::success(), output.path);
}

// Why the template list cannot be read: its file and the reason.
QString unreadableTemplateList()
{
    return describeUnreadableDataFile(QStringLiteral("template list"), templateListPath(),
                                      QStringLiteral("Templates"));
}

// The template to stamp with: the one named, else the one "config.ini" selects in the
// template list, else the first. Empty, with the reason, when there is none.
QString chooseTemplate(const QString& named, QString& reason)
{
    if (!named.isEmpty()) {
        WatermarkTemplate tmpl;
        if (!loadWatermarkTemplate(named, tmpl)) {
            reason = describeUnreadableDataFile(QStringLiteral("template \"%1\"").arg(named),
                                                templateFilePath(named), QStringLiteral("Layers"));
            return QString();
        }
        return named;
    }
    QStringList names;
    if (!loadTemplateNames(names)) {
        reason = unreadableTemplateList();
        return QString();
    }
    if (names.isEmpty()) {
        reason = QStringLiteral("the template list %1 names no template")
                     .arg(QDir::toNativeSeparators(templateListPath()));
        return QString();
    }
    const int index = loadSelectedTemplateIndex();
    const int chosen = index >= 0 && index < names.size() ? index : 0;
    // An entry without a name names no file: nothing to stamp with, and no other template
    // stands in for the one selected.
    if (names.at(chosen).isEmpty()) {
        reason = QStringLiteral("the template list %1 cannot be used: its entry %2, the selected template, "
                                "is empty")
                     .arg(QDir::toNativeSeparators(templateListPath()))
                     .arg(chosen + 1);
        return QString();
    }
    return names.at(chosen);
}

// The settings a batch run reads once at its start; false with the reason when it cannot start.
bool prepareRequest(ComposeMode mode, const StampOptions& options, RenderRequest& request, QString& reason)
{
    if (!prepareDataFolder(reason))
        return false;
    const QString tmpl = chooseTemplate(options.templateName, reason);
    if (tmpl.isEmpty())
        return false;
    // The stored choices as the desktop program's run reads them, with the run's own over them.
    RenderSettings settings;
    settings.templateName = tmpl;
    // Only a batch writes where the output settings say; previews and samples do not need them.
    const QString unreadable = settings.reloadOutputChoices();
    if (mode == ComposeMode::BatchOutput && !unreadable.isEmpty()) {
        reason = unreadable;
        return false;
    }
    settings.resize = readResizeSettings();
    settings.resizePictures = options.resize;
    // --lossless turns the stored choice on for the run.
    settings.losslessJpeg = settings.losslessJpeg || options.lossless;
    // The run's own quality (JPEG and lossy WebP) and sampling over the stored output quality.
    if (options.jpegQuality > 0) {
        settings.quality.jpegQuality = options.jpegQuality;
        settings.quality.webpQuality = options.jpegQuality;
    }
    if (options.sampling)
        settings.quality.sampling = *options.sampling;
    request = RenderRequest::fromSettings(settings, mode, QString(), QString());
    request.layerText = options.layerText;
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
// `answer` takes the path written (null: quiet); `out` the picture's bytes for "-".
template <typename Write>
int writeTo(const QString& target, QTextStream* answer, QTextStream& out, QTextStream& err, Write write)
{
    if (!isStandardOutput(target)) {
        const int code = write(target);
        if (code == 0 && answer)
            *answer << AnswerStream::escaped(target) << Qt::endl;
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

int listTemplates(QTextStream& out, QTextStream& err)
{
    QString reason;
    if (!prepareDataFolder(reason)) {
        err << "lumora-batch: " << reason << Qt::endl;
        return 1;
    }
    QStringList names;
    if (!loadTemplateNames(names)) {
        err << "lumora-batch: " << unreadableTemplateList() << Qt::endl;
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
    QString unusable;
    if (!prepareRequest(ComposeMode::BatchOutput, options, base, unusable)) {
        err << "lumora-batch: " << unusable << Qt::endl;
        // JSON readers get their answer for every photo: none was stamped, for that reason.
        if (options.json) {
            PhotoAnswers answers(out, err, true);
            for (const PhotoList::Problem& problem : list.problems())
                answers.failed(problem.path, problem.reason, 0);
            for (const QString& photo : photos)
                answers.failed(photo, unusable, 0);
        }
        return 1;
    }
    // Overrides for this run only: preference.xml is not written.
    if (!options.outputDir.isEmpty()) {
        const QString folder = QDir::cleanPath(QDir(options.outputDir).absolutePath());
        QString reason;
        if (options.dryRun ? !folderCouldBeMade(folder, reason) : !makeFolder(folder, reason)) {
            err << "lumora-batch: cannot make the output folder " << folder << ": " << reason << Qt::endl;
            return 1;
        }
        base.output.OutputFolderOpts = OutputSettings::ToOutputFolder;
        base.output.OutputFolderPath = folder;
    }
    if (options.format >= 0)
        base.output.OutputFormat = options.format;
    if (options.ifExists >= 0)
        base.output.ifOutputExists = OutputSettings::ExistingOutput(options.ifExists);
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
    ProgressBar progress(options.quiet ? nullptr : AnswerStream::get(), int(photos.size()));
    progress.update(0);
    // Per photo, filled on the worker that renders it and read when it is reported.
    std::vector<qint64> milliseconds(size_t(photos.size()), 0);
    std::vector<char> skipped(size_t(photos.size()), 0);
    int taken = 0;
    BatchRunner runner(base.output, photos, [&](const BatchRunner::Task& task) {
        QElapsedTimer timer;
        timer.start();
        const BatchRunner::Photo& photo = task.photo;
        // The photo's place in the list is the counter of text fields (the tag is its index).
        const RenderRequest request = base.forPhoto(photo.path, task.number, task.plannedOutput);
        ComposeOutcome outcome;
        const QString output =
            upToDate.isReady() ? OutputNaming::outputPath(photo.path, base.output).path : QString();
        if (upToDate.isUpToDate(output, photo.path)) {
            skipped[size_t(photo.tag)] = 1;
            outcome = ComposeOutcome(Outcome::success(), output);
        } else if (options.dryRun) {
            outcome = planPhoto(photo.path, request);
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
        if (!outcome.ok()) {
            ++failed;
            answers.failed(photo.path, outcome.sentence(), time);
        } else if (options.quiet && !options.json) {
            // Quiet: only failures are said.
        } else if (skipped[size_t(photo.tag)] || outcome.skipped()) {
            answers.skipped(photo.path, outcome.outputPath, time);
        } else if (options.dryRun) {
            answers.planned(photo.path, outcome.outputPath, time);
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
    QString unusable;
    if (!prepareRequest(ComposeMode::PreviewFile, options, request, unusable)) {
        err << "lumora-batch: " << unusable << Qt::endl;
        return 1;
    }
    return writeTo(target, options.quiet ? nullptr : &out, out, err, [&](const QString& file) {
        request.sourcePath = photo;
        request.targetPath = file;
        const ComposeOutcome outcome = WatermarkCompositor::render(request).outcome;
        if (!outcome.ok()) {
            AnswerStream::writeFailure(err, photo, outcome.sentence());
            return 1;
        }
        return 0;
    });
}

int drawSample(const QString& target, const StampOptions& options, QTextStream& out, QTextStream& err)
{
    RenderRequest request;
    QString unusable;
    if (!prepareRequest(ComposeMode::EditorPreview, options, request, unusable)) {
        err << "lumora-batch: " << unusable << Qt::endl;
        return 1;
    }
    request.previewSize = QSize(kSamplePictureWidth, kSamplePictureHeight);
    const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
    return writeTo(target, options.quiet ? nullptr : &out, out, err, [&](const QString& file) {
        // A sample missing a layer the template names would look like the template: it fails
        // like a photo, naming the files that cannot be read.
        const Outcome written = !result.outcome.ok() ? Outcome(result.outcome)
                                : !result.outcome.warnings.isEmpty()
                                    ? Outcome::failure(result.outcome.warnings.join(QStringLiteral("; ")))
                                    : ImageEncoder::writePng(result.picture, file);
        if (!written) {
            err << "lumora-batch: " << written.sentence() << Qt::endl;
            return 1;
        }
        return 0;
    });
}
