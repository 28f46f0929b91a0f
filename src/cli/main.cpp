#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <unistd.h>

#include "cli/AnswerStream.h"
#include "cli/BatchCommandLine.h"
#include "cli/BatchCommands.h"
#include "services/files/TemporaryFileRegistry.h"
#include "services/folders/Folders.h"
#include "services/imaging/MemoryReuse.h"
#include "services/imaging/text/ApplicationFonts.h"

namespace {

constexpr int kExitUsage = 2;

// Standard error carries one line per failed photo: the toolkit's own chatter (debug
// messages and warnings such as a missing runtime folder) stays out unless asked for.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("LUMORA_VERBOSE"))
        std::fprintf(AnswerStream::get(), "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(LUMORA_VERSION_MAJOR)
        .arg(LUMORA_VERSION_MINOR)
        .arg(LUMORA_VERSION_PATCH);
}

// The arguments as the parser sees them. An argument whose bytes are not UTF-8 cannot be
// decoded into a name that opens the same file again: it is kept as an unreadable name, which
// the commands answer for in its place.
QStringList commandArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString text = QString::fromUtf8(bytes);
        arguments.append(i == 0 || text.toUtf8() == bytes ? text : AnswerStream::unreadableName(bytes));
    }
    return arguments;
}

// Opens an unbuffered device on a descriptor: every answer line is written at once, and a
// failed write is seen in the device's error.
void openDevice(QFile& device, int fd)
{
    device.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
}

bool writeFailed(QTextStream& stream, const QFile& device)
{
    stream.flush();
    return stream.status() != QTextStream::Ok || device.error() != QFileDevice::NoError;
}

// The exit code once every answer is written: an answer that could not be written (standard
// output full or closed, a broken pipe when SIGPIPE is ignored) fails the run.
int finish(int code, QTextStream& out, const QFile& outDevice, QTextStream& err, const QFile& errDevice)
{
    if (writeFailed(out, outDevice)) {
        const QString reason =
            AnswerStream::wasClosed(STDOUT_FILENO) ? QStringLiteral("it is closed") : outDevice.errorString();
        err << "lumora-batch: cannot write to standard output: " << reason << Qt::endl;
        code = std::max(code, 1);
    }
    if (writeFailed(err, errDevice))
        code = std::max(code, 1);
    return code;
}

// A name the run needs that is not UTF-8: answered on `err`, and the run does not start.
bool unreadable(const QString& name, const char* prefix, QTextStream& err)
{
    if (!AnswerStream::isUnreadableName(name))
        return false;
    err << prefix;
    AnswerStream::writeFailure(err, name, QString());
    return true;
}

// A run that must write no data folder (a dry run, a template file) reads the data folder
// when it holds what the run needs; otherwise the first-start files are made in `scratch`,
// a temporary folder removed at the end, instead. The templates folder of a template file is
// the file's own folder. False with the reason when the template file cannot be used.
bool useDataFolderReadOnly(const QString& templateFile, std::optional<QTemporaryDir>& scratch,
                           QString& reason)
{
    const QString data = appDataFolderPath();
    const QString templates = joinPath(data, QStringLiteral("templates"));
    const bool hasPreferences = QFileInfo::exists(joinPath(data, QStringLiteral("preference.xml")));
    setTemplatesFolder(templates);
    if (!hasPreferences || (templateFile.isEmpty() && !QFileInfo::exists(templates))) {
        scratch.emplace();
        if (!scratch->isValid()) {
            reason = QStringLiteral("cannot make a temporary folder: ") + scratch->errorString();
            return false;
        }
        // The settings files the folder has are the run's, as they would be for a real run.
        for (const char* name : {"preference.xml", "config.ini", "resizing_config.ini"}) {
            const QString file = joinPath(data, QLatin1String(name));
            if (QFileInfo(file).isFile())
                QFile::copy(file, scratch->filePath(QLatin1String(name)));
        }
        setAppDataFolderOverride(scratch->path());
        // The person's templates stay in use while their preference file is still missing.
        setTemplatesFolder(QFileInfo::exists(templates) ? templates
                                                        : scratch->filePath(QStringLiteral("templates")));
    }
    if (templateFile.isEmpty())
        return true;
    const QFileInfo file(templateFile);
    if (file.suffix() != QLatin1String("xml")) {
        reason = QStringLiteral("the template file %1 does not end in .xml").arg(templateFile);
        return false;
    }
    if (!file.isFile()) {
        reason = QStringLiteral("the template file %1 does not exist").arg(templateFile);
        return false;
    }
    setTemplatesFolder(file.absolutePath());
    return true;
}

int runCommand(const BatchCommandLine& commandLine, QTextStream& out, QTextStream& err)
{
    const QString dataDir = commandLine.dataDir();
    const QString templateFile = commandLine.templateFile();
    if (unreadable(dataDir, "lumora-batch: ", err) ||
        unreadable(commandLine.templateName(), "lumora-batch: ", err) ||
        unreadable(templateFile, "lumora-batch: ", err) ||
        unreadable(commandLine.outputDir(), "lumora-batch: ", err))
        return 1;
    if (!dataDir.isEmpty())
        setAppDataFolderOverride(QDir(dataDir).absolutePath());
    std::optional<QTemporaryDir> scratch;
    if (commandLine.dryRun() || !templateFile.isEmpty()) {
        QString reason;
        if (!useDataFolderReadOnly(templateFile, scratch, reason)) {
            err << "lumora-batch: " << reason << Qt::endl;
            return 1;
        }
    } else {
        initTemplatesFolder();
    }

    StampOptions options;
    options.templateName =
        templateFile.isEmpty() ? commandLine.templateName() : QFileInfo(templateFile).completeBaseName();
    if (commandLine.hasText())
        options.layerText = commandLine.text();
    options.quiet = commandLine.quiet();
    options.dryRun = commandLine.dryRun();
    options.resize = commandLine.resize();
    options.lossless = commandLine.lossless();
    options.jpegQuality = commandLine.jpegQuality();
    options.sampling = commandLine.chromaSampling();
    options.jobs = commandLine.jobs();
    options.outputDir = commandLine.outputDir();
    options.format = commandLine.outputFormat();
    options.skipExisting = commandLine.skipExisting();
    options.ifExists = commandLine.ifExists();
    options.json = commandLine.json();
    const QStringList files = commandLine.files();
    switch (commandLine.command()) {
    case BatchCommandLine::Command::ListTemplates:
        return listTemplates(out, err);
    case BatchCommandLine::Command::Stamp: {
        // Unreadable photo names get their failure lines in their places.
        PhotoSources sources;
        sources.names = files;
        sources.listFile = commandLine.filesFrom();
        sources.nullSeparated = commandLine.nullSeparated();
        sources.recursive = commandLine.recursive();
        registerApplicationFonts();
        return stampPhotos(sources, options, out, err);
    }
    case BatchCommandLine::Command::Preview:
        if (unreadable(files.at(0), "", err) || unreadable(files.at(1), "lumora-batch: ", err))
            return 1;
        registerApplicationFonts();
        return previewPhoto(files.at(0), files.at(1), options, out, err);
    case BatchCommandLine::Command::Sample:
        if (unreadable(files.at(0), "lumora-batch: ", err))
            return 1;
        registerApplicationFonts();
        return drawSample(files.at(0), options, out, err);
    }
    return kExitUsage;
}

} // namespace

int main(int argc, char* argv[])
{
    // Under a file-size limit (ulimit -f) a write past it would end the process with SIGXFSZ
    // in the middle of the batch; ignored, the write fails with EFBIG and the photo gets a
    // failure line like any other write error.
    std::signal(SIGXFSZ, SIG_IGN);
    AnswerStream::separate();
    // Interrupted (Ctrl+C, kill, a closed terminal or pipe), the run removes the temporary
    // files of the outputs it was writing before it ends.
    TemporaryFileRegistry::installSignalCleanup();
    MemoryReuse::keepFreedMemory();
    qInstallMessageHandler(quietMessages);
    // Text is drawn into pictures only: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("lumora-batch"));
    QGuiApplication::setApplicationVersion(versionText());

    QFile outDevice;
    openDevice(outDevice, STDOUT_FILENO);
    QFile errDevice;
    openDevice(errDevice, ::fileno(AnswerStream::get()));
    QTextStream out(&outDevice);
    QTextStream err(&errDevice);

    BatchCommandLine commandLine;
    int code = kExitUsage;
    switch (commandLine.parse(commandArguments(argc, argv))) {
    case BatchCommandLine::Outcome::Help:
        out << commandLine.helpText();
        code = 0;
        break;
    case BatchCommandLine::Outcome::Version:
        out << "lumora-batch " << versionText() << Qt::endl;
        code = 0;
        break;
    case BatchCommandLine::Outcome::UsageError:
        err << "lumora-batch: " << commandLine.errorText() << Qt::endl
            << "Try 'lumora-batch --help' for more information." << Qt::endl;
        code = kExitUsage;
        break;
    case BatchCommandLine::Outcome::Run:
        code = runCommand(commandLine, out, err);
        break;
    }
    code = finish(code, out, outDevice, err, errDevice);
#if defined(__SANITIZE_ADDRESS__)
    // The leak check runs at a normal exit.
    return code;
#else
    // Every output is written and renamed into place and every answer written: the process
    // ends here rather than taking down the toolkit, the fonts and the memory kept for further
    // photos piece by piece, which the system frees at once anyway.
    std::fflush(nullptr);
    ::_exit(code);
#endif
}
