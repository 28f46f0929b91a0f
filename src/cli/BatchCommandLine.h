#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The options of lumora-batch. Further commands add their options here and read them
// through the parser after parse().
class BatchCommandLine
{
public:
    enum class Outcome
    {
        Run,
        Help,
        Version,
        UsageError
    };

    BatchCommandLine();

    // Parses the arguments (the first is the program name). Run means that exactly one
    // command was given and every option is well formed.
    Outcome parse(const QStringList& arguments);

    // The reason of a usage error, one line.
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }

    // The --data-dir value, empty when not given.
    QString dataDir() const;
    bool listTemplates() const;

    QCommandLineParser& parser() { return m_parser; }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_dataDir;
    QCommandLineOption m_listTemplates;
    QString m_error;
};
