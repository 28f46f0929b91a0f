#include <csignal>
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include "cli/AnswerStream.h"
#include "cli/BatchCommandLine.h"
#include "cli/BatchCommands.h"
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

} // namespace

int main(int argc, char* argv[])
{
    // Under a file-size limit (ulimit -f) a write past it would end the process with SIGXFSZ
    // in the middle of the batch; ignored, the write fails with EFBIG and the photo gets a
    // failure line like any other write error.
    std::signal(SIGXFSZ, SIG_IGN);
    AnswerStream::separate();
    MemoryReuse::keepFreedMemory();
    qInstallMessageHandler(quietMessages);
    // Text is drawn into pictures only: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("lumora-batch"));
    QGuiApplication::setApplicationVersion(versionText());

    QTextStream out(stdout);
    QTextStream err(AnswerStream::get());

    BatchCommandLine commandLine;
    switch (commandLine.parse(QGuiApplication::arguments())) {
    case BatchCommandLine::Outcome::Help:
        out << commandLine.helpText();
        return 0;
    case BatchCommandLine::Outcome::Version:
        out << "lumora-batch " << versionText() << Qt::endl;
        return 0;
    case BatchCommandLine::Outcome::UsageError:
        err << "lumora-batch: " << commandLine.errorText() << Qt::endl
            << "Try 'lumora-batch --help' for more information." << Qt::endl;
        return kExitUsage;
    case BatchCommandLine::Outcome::Run:
        break;
    }

    if (!commandLine.dataDir().isEmpty())
        SetAppDataFolderOverride(QDir(commandLine.dataDir()).absolutePath());
    InitTemplatesFolder();

    StampOptions options;
    options.templateName = commandLine.templateName();
    options.resize = commandLine.resize();
    options.jobs = commandLine.jobs();
    const QStringList files = commandLine.files();
    switch (commandLine.command()) {
    case BatchCommandLine::Command::ListTemplates:
        return ListTemplates(out, err);
    case BatchCommandLine::Command::Stamp:
        RegisterApplicationFonts();
        return StampPhotos(files, options, out, err);
    case BatchCommandLine::Command::Preview:
        RegisterApplicationFonts();
        return PreviewPhoto(files.at(0), files.at(1), options, out, err);
    case BatchCommandLine::Command::Sample:
        RegisterApplicationFonts();
        return DrawSample(files.at(0), options, out, err);
    }
    return kExitUsage;
}
