#include "cli/BatchCommandLine.h"

BatchCommandLine::BatchCommandLine()
    : m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
             QStringLiteral("Show this help and exit.")),
      m_version(QStringList{QStringLiteral("V"), QStringLiteral("version")},
                QStringLiteral("Show the program version and exit.")),
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
      m_quality(QStringLiteral("quality"),
                QStringLiteral("Write JPEG and lossy WebP outputs at quality N (1 to 100) for this run "
                               "instead of the quality config.ini keeps (default 98 for JPEG, 90 "
                               "for WebP)."),
                QStringLiteral("N")),
      m_sampling(QStringLiteral("sampling"),
                 QStringLiteral("Write JPEG outputs with this chroma sampling for this run: photo (a JPEG "
                                "photo's own, 4:2:0 for other photos; the default), 420 or 444."),
                 QStringLiteral("SAMPLING")),
      m_jobs(QStringList{QStringLiteral("j"), QStringLiteral("jobs")},
             QStringLiteral("Stamp N photos at a time (default, and 0: one per core). The files written "
                            "are the same whatever N."),
             QStringLiteral("N")),
      m_preview(QStringLiteral("preview"),
                QStringLiteral("Render PHOTO as the output preview does and write PNG data to OUT "
                               "(arguments: PHOTO OUT; OUT - or /dev/stdout: standard output). Only a "
                               "regular file (or a link) at OUT is replaced.")),
      m_sample(QStringLiteral("sample"),
               QStringLiteral("Draw the template onto the built-in 677 x 625 sample picture as the "
                              "template editor's preview does and save it as PNG (argument: OUT; - or "
                              "/dev/stdout: standard output).")),
      m_filesFrom(QStringLiteral("files-from"),
                  QStringLiteral("Also stamp the photos named in FILE, one per line, after those of the "
                                 "command line (empty lines are left out, a line may end in CR LF); "
                                 "FILE - is standard input."),
                  QStringLiteral("FILE")),
      m_null(QStringList{QStringLiteral("0"), QStringLiteral("null")},
             QStringLiteral("The names of --files-from end with NUL characters instead of line ends "
                            "(as find -print0 writes them).")),
      m_recursive(QStringLiteral("recursive"),
                  QStringLiteral("A folder given as a photo stands for the photos below it (.jpg .jpeg .png "
                                 ".bmp .tif .tiff .gif .webp .heic .heif .avif, any case), in sorted order. "
                                 "Links are followed; a "
                                 "link back to a folder above it fails. Without it a folder fails like a "
                                 "file that is not a picture.")),
      m_outputDir(QStringList{QStringLiteral("o"), QStringLiteral("output-dir")},
                  QStringLiteral("Write the outputs into DIR (made when missing) instead of the folder "
                                 "preference.xml names; the file is not changed."),
                  QStringLiteral("DIR")),
      m_formatOption(
          QStringLiteral("format"),
          QStringLiteral("Write FORMAT (jpg or jpeg, png, bmp, tif or tiff, webp) instead of the format of "
                         "preference.xml; the file is not changed."),
          QStringLiteral("FORMAT")),
      m_skipExisting(
          QStringLiteral("skip-existing"),
          QStringLiteral("Leave out a photo whose output exists whole (a cut, empty or foreign file is "
                         "made again) and is newer than the photo and the "
                         "template's files (the template, its layers and their pictures): answered "
                         "\"PHOTO: skipped, OUTPUT exists\" on standard output and counted as done, so "
                         "that an interrupted run can be started again.")),
      m_ifExistsOption(QStringLiteral("if-exists"),
                       QStringLiteral("WHAT to do with an output name a file already holds: replace it "
                                      "(the default), skip the photo, or rename: keep both, the new output "
                                      "under the first free name \"NAME (2).EXT\", \"NAME (3).EXT\"... "
                                      "(default: IfOutputExists of config.ini, set in the output settings "
                                      "window)."),
                       QStringLiteral("WHAT")),
      m_json(QStringLiteral("json"),
             QStringLiteral("Answer each photo with one JSON object a line on standard output instead: "
                            "\"source\", \"output\" (null for a failed photo), \"status\" "
                            "(\"written\", \"failed\" or \"skipped\"), \"reason\" (null unless failed) "
                            "and \"milliseconds\". Standard error then carries only messages about the run "
                            "as a whole; the exit status is the same.")),
      m_templateFile(
          QStringLiteral("template-file"),
          QStringLiteral("Stamp with the template file PATH and the layer files beside it instead of a "
                         "template of the data folder; they are only read. The data folder gives the "
                         "settings when it holds preference.xml; otherwise the first-start settings are "
                         "used, and no data folder is written."),
          QStringLiteral("PATH")),
      m_text(QStringLiteral("text"),
             QStringLiteral("The template's text layers draw TEXT for this run instead of their own text; "
                            "TEXT may hold fields ({name}, {date}, {counter}, ...), filled for each photo."),
             QStringLiteral("TEXT")),
      m_quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
              QStringLiteral("Show no progress and no line for a photo written or skipped; failures are "
                             "still said on standard error (--json answers are kept).")),
      m_dryRun(QStringList{QStringLiteral("n"), QStringLiteral("dry-run")},
               QStringLiteral("Read every photo and say what would be written where (\"PHOTO -> OUTPUT\"), "
                              "but write nothing: no output, no output folder, no data folder. The exit "
                              "status is the one a real run would give for these photos."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Lumora Plenum batch watermarking.\n\n"
                       "lumora-batch [--data-dir DIR] [--template NAME | --template-file PATH] [--text TEXT] "
                       "[--resize] [--lossless] [--quality N] [--sampling SAMPLING] [-j N] [-o DIR] "
                       "[--format FORMAT] [-q] [-n] PHOTO...\n"
                       "stamps each photo with the template and writes it as the output settings of "
                       "preference.xml say. One line per photo: the path written on standard output, or "
                       "\"PHOTO: reason\" on standard error. Exit status 0 when every photo was written, "
                       "1 when any failed, 2 on a usage error.\n\n"
                       "The answers come in the order of the photos. Problems found while reading "
                       "--files-from or walking folders are answered like failed photos, before the "
                       "photos; a photo that --skip-existing leaves counts as done; a run that cannot "
                       "start (a list that cannot be read, an output folder that cannot be made) exits "
                       "with 1.\n\n"
                       "A data folder that holds preference.xml and templates/ is only read, never "
                       "written: any number of runs may share it, also on a read-only file system."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOption(m_dataDir);
    m_parser.addOption(m_listTemplates);
    m_parser.addOption(m_template);
    m_parser.addOption(m_resize);
    m_parser.addOption(m_lossless);
    m_parser.addOption(m_quality);
    m_parser.addOption(m_sampling);
    m_parser.addOption(m_jobs);
    m_parser.addOption(m_preview);
    m_parser.addOption(m_sample);
    m_parser.addOption(m_filesFrom);
    m_parser.addOption(m_null);
    m_parser.addOption(m_recursive);
    m_parser.addOption(m_outputDir);
    m_parser.addOption(m_formatOption);
    m_parser.addOption(m_skipExisting);
    m_parser.addOption(m_ifExistsOption);
    m_parser.addOption(m_json);
    m_parser.addOption(m_templateFile);
    m_parser.addOption(m_text);
    m_parser.addOption(m_quiet);
    m_parser.addOption(m_dryRun);
    m_parser.addPositionalArgument(QStringLiteral("PHOTO"), QStringLiteral("Photos to stamp."),
                                   QStringLiteral("[PHOTO...]"));
}

BatchCommandLine::Outcome BatchCommandLine::usageError(const QString& reason)
{
    m_error = reason;
    return Outcome::UsageError;
}

bool BatchCommandLine::readNumber(const QCommandLineOption& option, int low, int high, int& into) const
{
    into = 0;
    if (!m_parser.isSet(option))
        return true;
    bool ok = false;
    const int n = m_parser.value(option).toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    into = n;
    return true;
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

    for (const QCommandLineOption* single :
         {&m_dataDir, &m_template, &m_jobs, &m_filesFrom, &m_outputDir, &m_formatOption, &m_quality,
          &m_sampling, &m_ifExistsOption, &m_templateFile, &m_text}) {
        if (m_parser.values(*single).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once.").arg(single->names().constLast()));
    }
    if (m_parser.isSet(m_dataDir) && m_parser.value(m_dataDir).isEmpty())
        return usageError(QStringLiteral("--data-dir needs a folder."));
    if (m_parser.isSet(m_template) && m_parser.value(m_template).isEmpty())
        return usageError(QStringLiteral("--template needs a name."));
    if (m_parser.isSet(m_templateFile) && m_parser.value(m_templateFile).isEmpty())
        return usageError(QStringLiteral("--template-file needs a file."));
    if (m_parser.isSet(m_templateFile) && m_parser.isSet(m_template))
        return usageError(QStringLiteral("Give only one of --template and --template-file."));
    if (!readNumber(m_jobs, 0, 1024, m_jobCount))
        return usageError(QStringLiteral("--jobs needs a number from 0 (one per core) to 1024."));
    if (!readNumber(m_quality, 1, 100, m_jpegQuality))
        return usageError(QStringLiteral("--quality needs a number from 1 to 100."));
    m_chromaSampling.reset();
    if (m_parser.isSet(m_sampling)) {
        m_chromaSampling = OutputQuality::samplingFromName(m_parser.value(m_sampling).toLower());
        if (!m_chromaSampling)
            return usageError(QStringLiteral("--sampling needs one of photo, 420 and 444."));
    }
    if (m_parser.isSet(m_filesFrom) && m_parser.value(m_filesFrom).isEmpty())
        return usageError(QStringLiteral("--files-from needs a file (- for standard input)."));
    if (m_parser.isSet(m_null) && !m_parser.isSet(m_filesFrom))
        return usageError(QStringLiteral("-0 (--null) goes with --files-from."));
    if (m_parser.isSet(m_outputDir) && m_parser.value(m_outputDir).isEmpty())
        return usageError(QStringLiteral("--output-dir needs a folder."));
    m_format = -1;
    if (m_parser.isSet(m_formatOption)) {
        const QString name = m_parser.value(m_formatOption).toLower();
        // In the order of the output settings' format numbers.
        // In the order of the output settings' format numbers; the short names of the
        // extensions the outputs get (.jpg) are the same formats.
        const QStringList names{QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("bmp"),
                                QStringLiteral("tiff"), QStringLiteral("webp")};
        const QString full = name == QLatin1String("jpg")   ? QStringLiteral("jpeg")
                             : name == QLatin1String("tif") ? QStringLiteral("tiff")
                                                            : name;
        m_format = int(names.indexOf(full));
        if (m_format < 0)
            return usageError(
                QStringLiteral("--format needs one of jpg, jpeg, png, bmp, tif, tiff and webp."));
    }
    m_ifExists = -1;
    if (m_parser.isSet(m_ifExistsOption)) {
        // In the order of OutputSettings::ExistingOutput.
        const QStringList names{QStringLiteral("replace"), QStringLiteral("skip"), QStringLiteral("rename")};
        m_ifExists = int(names.indexOf(m_parser.value(m_ifExistsOption).toLower()));
        if (m_ifExists < 0)
            return usageError(QStringLiteral("--if-exists needs one of replace, skip and rename."));
    }

    const int commands =
        int(m_parser.isSet(m_listTemplates)) + int(m_parser.isSet(m_preview)) + int(m_parser.isSet(m_sample));
    if (commands > 1)
        return usageError(QStringLiteral("Give only one of --list-templates, --preview and --sample."));
    const bool stampingOptions = m_parser.isSet(m_filesFrom) || m_parser.isSet(m_recursive) ||
                                 m_parser.isSet(m_outputDir) || m_parser.isSet(m_formatOption) ||
                                 m_parser.isSet(m_skipExisting) || m_parser.isSet(m_ifExistsOption) ||
                                 m_parser.isSet(m_json) || m_parser.isSet(m_dryRun);
    if (commands > 0 && stampingOptions)
        return usageError(
            QStringLiteral("--files-from, --recursive, --output-dir, --format, --skip-existing, "
                           "--if-exists, --json and --dry-run go with stamping photos only."));
    if (m_parser.isSet(m_listTemplates) && (m_parser.isSet(m_templateFile) || m_parser.isSet(m_text)))
        return usageError(QStringLiteral("--template-file and --text do not go with --list-templates."));
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
        if (positional.isEmpty() && !m_parser.isSet(m_filesFrom))
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

QString BatchCommandLine::filesFrom() const
{
    return m_parser.value(m_filesFrom);
}

bool BatchCommandLine::nullSeparated() const
{
    return m_parser.isSet(m_null);
}

bool BatchCommandLine::recursive() const
{
    return m_parser.isSet(m_recursive);
}

QString BatchCommandLine::outputDir() const
{
    return m_parser.value(m_outputDir);
}

bool BatchCommandLine::skipExisting() const
{
    return m_parser.isSet(m_skipExisting);
}

bool BatchCommandLine::json() const
{
    return m_parser.isSet(m_json);
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

QString BatchCommandLine::templateFile() const
{
    return m_parser.value(m_templateFile);
}

bool BatchCommandLine::hasText() const
{
    return m_parser.isSet(m_text);
}

QString BatchCommandLine::text() const
{
    return m_parser.value(m_text);
}

bool BatchCommandLine::quiet() const
{
    return m_parser.isSet(m_quiet);
}

bool BatchCommandLine::dryRun() const
{
    return m_parser.isSet(m_dryRun);
}
