#pragma once

#include <QString>

// Where and how a processed photo is written; stored in "preference.xml" (root
// "Preferences") in the data folder.
struct OutputSettings
{
    enum FolderOption : int
    {
        BesideSource = 0,
        ToOutputFolder = 1
    };
    enum FileNameOption : int
    {
        KeepBaseName = 0,
        AddSuffix = 1
    };
    // What a run does with an output name that a file already holds (see ExistingOutputChoice).
    enum ExistingOutput : int
    {
        ReplaceExisting = 0,
        SkipExisting = 1,
        KeepBoth = 2
    };
    enum Format : int
    {
        Jpeg = 0,
        Png = 1,
        Bmp = 2,
        Tiff = 3,
        Webp = 4
    };

    int OutputFolderOpts = 0;
    QString OutputFolderPath;
    int OutputFileNameOpts = 0;
    QString OutputFileNameSuffix;
    int OutputFormat = 0;
    int JpegQuality = 0; // stored and loaded; the JPEG encoder uses its own fixed quality
    // Kept in "config.ini", not in "preference.xml": the file's loads and saves leave it alone.
    ExistingOutput ifOutputExists = ReplaceExisting;

    friend bool operator==(const OutputSettings&, const OutputSettings&) = default;
};

// The element names of "preference.xml": the root and, below it, one element per setting.
namespace PreferenceElements {
inline const QString kRoot = QStringLiteral("Preferences");
inline const QString kFolderOpts = QStringLiteral("OutputFolderOpts");
inline const QString kFolderPath = QStringLiteral("OutputFolderPath");
inline const QString kNameOpts = QStringLiteral("OutputFileNameOpts");
inline const QString kSuffix = QStringLiteral("OutputFileNameSuffix");
inline const QString kFormat = QStringLiteral("OutputFormat");
inline const QString kJpegQuality = QStringLiteral("JpegQuality");
inline const QString kOpenQuickStart = QStringLiteral("OpenQuickStartDlg");
} // namespace PreferenceElements

// The rules the output settings window applies before storing, which every batch applies
// too (the file can be edited by hand): a suffix must not contain "/" (it would lead out of
// the output folder) nor control characters (NUL, escape, delete, line breaks...: they would
// end up in file names and in the lines printed about them); an output folder must be an
// absolute path.
bool isUsableOutputSuffix(const QString& suffix);
// True when the text holds a control character (C0, DEL or C1).
bool hasControlCharacter(const QString& text);
bool isUsableOutputFolder(const QString& folder);

// Reads "preference.xml" into `into`: each of the six values only when its element is
// found. False (and `into` unchanged) when the file does not load or has no "Preferences".
bool LoadPreferences(OutputSettings& into);
// Loads the file into `into` (a run's or a preview's copy) for a batch run. Empty when the file
// was read whole; else a sentence naming the file and saying why it cannot be read. `into` then
// stays as it was, and the run must not start: falling back to other values could write
// outputs under names the person never chose, even over their photos.
QString loadPreferencesForRun(OutputSettings& into);

// The values of a new preference file (see CreateDefaultPreferences).
// `createOutputFolder`: make the default output folder now, as the desktop program does; the
// command line leaves it to the first output written there.
OutputSettings defaultOutputSettings(bool createOutputFolder = true);
// Writes a complete new "preference.xml" (the six values, then "OpenQuickStartDlg" 0): used
// when the file cannot be read and the person saves the output settings afresh.
bool writePreferencesFile(const OutputSettings& settings);

// When "preference.xml" does not exist, writes it with the defaults (beside the source,
// output folder = the documents folder, which is created, suffix "_new", JPEG, quality
// 100, quick start shown). True when the file was written.
bool CreateDefaultPreferences(bool createOutputFolder = true);

// Reads "OpenQuickStartDlg"; false when the file does not load or the element is missing.
bool loadOpenQuickStartDlg(int& value);
