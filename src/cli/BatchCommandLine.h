#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

#include "model/OutputQuality.h"

// The options of lumora-batch. Commands:
//   --list-templates            prepare the data folder and list the templates
//   PHOTO...                    stamp photos (the batch run)
//   --preview PHOTO OUT         render one photo as the output preview does (PNG data)
//   --sample OUT                draw the template onto the built-in sample picture
// Options: --data-dir DIR, --template NAME, --template-file PATH, --text TEXT, --resize,
// --lossless, --quality N, --sampling S, -j/--jobs N, -q/--quiet, -n/--dry-run.
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

    enum class Command
    {
        ListTemplates,
        Stamp,
        Preview,
        Sample
    };

    BatchCommandLine();

    // Parses the arguments (the first is the program name). Run means that exactly one
    // command was given and every option is well formed.
    Outcome parse(const QStringList& arguments);

    // The reason of a usage error, one line.
    QString errorText() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }

    Command command() const { return m_command; }

    // The --data-dir value, empty when not given.
    QString dataDir() const;
    // The --template value, empty when not given.
    QString templateName() const;
    bool resize() const;
    bool lossless() const;
    // The --quality value (1..100); 0 when not given.
    int jpegQuality() const { return m_jpegQuality; }
    // The --sampling value; none when not given.
    std::optional<OutputQuality::Sampling> chromaSampling() const { return m_chromaSampling; }
    // The --jobs value; 0 when not given or 0 (one per core).
    int jobs() const { return m_jobCount; }
    // The --template-file value, empty when not given.
    QString templateFile() const;
    // --text: whether it was given, and its value.
    bool hasText() const;
    QString text() const;
    // -q/--quiet: no progress bar and no lines for photos written; failures are still said.
    bool quiet() const;
    // -n/--dry-run: check the photos and say what would be written where; write nothing.
    bool dryRun() const;
    // Stamp: the photos; Preview: the photo and the output file; Sample: the output file.
    QStringList files() const { return m_parser.positionalArguments(); }

    // The stamping options for pipelines: --files-from FILE, -0/--null, --recursive,
    // --output-dir DIR, --format FORMAT, --skip-existing, --if-exists WHAT, --json.
    // The --files-from value ("-": standard input), empty when not given.
    QString filesFrom() const;
    // -0/--null: the list's names end with NUL characters instead of line ends.
    bool nullSeparated() const;
    // --recursive: folder arguments give the photos below them.
    bool recursive() const;
    // The --output-dir value, empty when not given.
    QString outputDir() const;
    // The --format value as an OutputSettings::Format number; -1 when not given.
    int outputFormat() const { return m_format; }
    bool skipExisting() const;
    // The --if-exists value as an OutputSettings::ExistingOutput number; -1 when not given.
    int ifExists() const { return m_ifExists; }
    bool json() const;

    QCommandLineParser& parser() { return m_parser; }

private:
    Outcome usageError(const QString& reason);
    // The value of a number option into `into` (0 when the option is not given); false when
    // it is given but is no number from `low` to `high`.
    bool readNumber(const QCommandLineOption& option, int low, int high, int& into) const;

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_dataDir;
    QCommandLineOption m_listTemplates;
    QCommandLineOption m_template;
    QCommandLineOption m_resize;
    QCommandLineOption m_lossless;
    QCommandLineOption m_quality;
    QCommandLineOption m_sampling;
    QCommandLineOption m_jobs;
    QCommandLineOption m_preview;
    QCommandLineOption m_sample;
    QCommandLineOption m_filesFrom;
    QCommandLineOption m_null;
    QCommandLineOption m_recursive;
    QCommandLineOption m_outputDir;
    QCommandLineOption m_formatOption;
    QCommandLineOption m_skipExisting;
    QCommandLineOption m_ifExistsOption;
    QCommandLineOption m_json;
    QCommandLineOption m_templateFile;
    QCommandLineOption m_text;
    QCommandLineOption m_quiet;
    QCommandLineOption m_dryRun;
    QString m_error;
    int m_jpegQuality = 0;
    std::optional<OutputQuality::Sampling> m_chromaSampling;
    Command m_command = Command::Stamp;
    int m_jobCount = 0;
    int m_format = -1;
    int m_ifExists = -1;
};
