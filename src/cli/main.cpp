#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "cli/BatchCommandLine.h"
#include "cli/BatchCommands.h"
#include "services/folders/Folders.h"

namespace {

constexpr int kExitUsage = 2;

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
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumora-batch"));
    QCoreApplication::setApplicationVersion(versionText());

    QTextStream out(stdout);
    QTextStream err(stderr);

    BatchCommandLine commandLine;
    switch (commandLine.parse(QCoreApplication::arguments())) {
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

    if (commandLine.listTemplates())
        return ListTemplates(out, err);
    return kExitUsage;
}
