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
                         "one per line, in list order."))
{
    m_parser.setApplicationDescription(QStringLiteral("Lumora Plenum batch watermarking."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOption(m_dataDir);
    m_parser.addOption(m_listTemplates);
}

BatchCommandLine::Outcome BatchCommandLine::parse(const QStringList& arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return Outcome::UsageError;
    }
    if (m_parser.isSet(m_help))
        return Outcome::Help;
    if (m_parser.isSet(m_version))
        return Outcome::Version;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("Unexpected argument: %1").arg(m_parser.positionalArguments().constFirst());
        return Outcome::UsageError;
    }
    if (m_parser.values(m_dataDir).size() > 1) {
        m_error = QStringLiteral("--data-dir given more than once.");
        return Outcome::UsageError;
    }
    if (m_parser.isSet(m_dataDir) && m_parser.value(m_dataDir).isEmpty()) {
        m_error = QStringLiteral("--data-dir needs a folder.");
        return Outcome::UsageError;
    }
    if (!m_parser.isSet(m_listTemplates)) {
        m_error = QStringLiteral("No command given.");
        return Outcome::UsageError;
    }
    return Outcome::Run;
}

QString BatchCommandLine::dataDir() const
{
    return m_parser.value(m_dataDir);
}

bool BatchCommandLine::listTemplates() const
{
    return m_parser.isSet(m_listTemplates);
}
