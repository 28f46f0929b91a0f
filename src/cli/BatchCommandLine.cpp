#include "cli/BatchCommandLine.h"

BatchCommandLine::BatchCommandLine()
    : m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
             QStringLiteral("Show this help and exit.")),
      m_version(QStringLiteral("version"), QStringLiteral("Show the program version and exit.")),
      m_dataDir(
          QStringLiteral("data-dir"),
          QStringLiteral("Use DIR as the data folder instead of the per-user one (created when missing)."),
          QStringLiteral("DIR")),
      m_listTemplates(
          QStringLiteral("list-templates"),
          QStringLiteral("Prepare the data folder as a first start does and print the template names, "
                         "one per line, in list order.")),
      m_template(QStringLiteral("template"),
                 QStringLiteral("Stamp with the template NAME instead of the one selected in config.ini."),
                 QStringLiteral("NAME")),
      m_resize(QStringLiteral("resize"),
               QStringLiteral("Resize the photos by the settings of resizing_config.ini for this run.")),
      m_lossless(QStringLiteral("lossless"),
                 QStringLiteral("Write JPEG photos that are not resized as JPEG keeping every block the "
                                "watermark leaves alone exactly as it is; only the blocks under the "
                                "watermark are encoded again (also when config.ini says so).")),
      m_jobs(QStringLiteral("jobs"),
             QStringLiteral("Stamp N photos at a time (default: the number of cores). The files written "
                            "are the same whatever N."),
             QStringLiteral("N")),
      m_preview(QStringLiteral("preview"),
                QStringLiteral("Render PHOTO as the output preview does and write PNG data to OUT "
                               "(arguments: PHOTO OUT).")),
      m_sample(QStringLiteral("sample"),
               QStringLiteral("Draw the template onto the built-in 677 x 625 sample picture as the "
                              "template editor's preview does and save it as PNG (argument: OUT)."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Lumora Plenum batch watermarking.\n\n"
                       "lumora-batch [--data-dir DIR] [--template NAME] [--resize] [--lossless] [--jobs N] "
                       "PHOTO...\n"
                       "stamps each photo with the template and writes it as the output settings of "
                       "preference.xml say. One line per photo: the path written on standard output, or "
                       "\"PHOTO: reason\" on standard error. Exit status 0 when every photo was written, "
                       "1 when any failed, 2 on a usage error."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOption(m_dataDir);
    m_parser.addOption(m_listTemplates);
    m_parser.addOption(m_template);
    m_parser.addOption(m_resize);
    m_parser.addOption(m_lossless);
    m_parser.addOption(m_jobs);
    m_parser.addOption(m_preview);
    m_parser.addOption(m_sample);
    m_parser.addPositionalArgument(QStringLiteral("PHOTO"), QStringLiteral("Photos to stamp."),
                                   QStringLiteral("[PHOTO...]"));
}

BatchCommandLine::Outcome BatchCommandLine::usageError(const QString& reason)
{
    m_error = reason;
    return Outcome::UsageError;
}

BatchCommandLine::Outcome BatchCommandLine::parse(const QStringList& arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(m_help))
        return Outcome::Help;
    if (m_parser.isSet(m_version))
        return Outcome::Version;

    for (const QCommandLineOption* single : {&m_dataDir, &m_template, &m_jobs}) {
        if (m_parser.values(*single).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once.").arg(single->names().constFirst()));
    }
    if (m_parser.isSet(m_dataDir) && m_parser.value(m_dataDir).isEmpty())
        return usageError(QStringLiteral("--data-dir needs a folder."));
    if (m_parser.isSet(m_template) && m_parser.value(m_template).isEmpty())
        return usageError(QStringLiteral("--template needs a name."));
    m_jobCount = 0;
    if (m_parser.isSet(m_jobs)) {
        bool ok = false;
        const int n = m_parser.value(m_jobs).toInt(&ok);
        if (!ok || n < 1 || n > 1024)
            return usageError(QStringLiteral("--jobs needs a number from 1 to 1024."));
        m_jobCount = n;
    }

    const int commands =
        int(m_parser.isSet(m_listTemplates)) + int(m_parser.isSet(m_preview)) + int(m_parser.isSet(m_sample));
    if (commands > 1)
        return usageError(QStringLiteral("Give only one of --list-templates, --preview and --sample."));
    const QStringList positional = m_parser.positionalArguments();
    if (m_parser.isSet(m_listTemplates)) {
        if (!positional.isEmpty())
            return usageError(QStringLiteral("Unexpected argument: %1").arg(positional.constFirst()));
        m_command = Command::ListTemplates;
    } else if (m_parser.isSet(m_preview)) {
        if (positional.size() != 2)
            return usageError(QStringLiteral("--preview needs a photo and an output file."));
        m_command = Command::Preview;
    } else if (m_parser.isSet(m_sample)) {
        if (positional.size() != 1)
            return usageError(QStringLiteral("--sample needs one output file."));
        m_command = Command::Sample;
    } else {
        if (positional.isEmpty())
            return usageError(QStringLiteral("No command given."));
        m_command = Command::Stamp;
    }
    for (const QString& file : positional) {
        if (file.isEmpty())
            return usageError(QStringLiteral("An empty file name was given."));
    }
    return Outcome::Run;
}

QString BatchCommandLine::dataDir() const
{
    return m_parser.value(m_dataDir);
}

QString BatchCommandLine::templateName() const
{
    return m_parser.value(m_template);
}

bool BatchCommandLine::resize() const
{
    return m_parser.isSet(m_resize);
}

bool BatchCommandLine::lossless() const
{
    return m_parser.isSet(m_lossless);
}
