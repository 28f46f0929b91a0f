#pragma once

#include <optional>

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

#include "model/OutputQuality.h"

// The commands of lumora-batch. Each returns the process exit code: 0 done, 1 failed.
// Every command first prepares the data folder as the desktop program's first start does
// (default preferences, then the demonstration template when the templates folder is missing).
// A complete data folder (preference.xml and the templates folder there) is only read; an
// incomplete one that cannot be written fails the command with the reason.

// Prints the template names of the template list, one per line, in list order.
int listTemplates(QTextStream& out, QTextStream& err);

// What a stamping command renders with.
struct StampOptions
{
    // Stamping only: overrides of preference.xml for the run, resuming and the answer form.
    QString outputDir;         // write into this folder instead of preference.xml's
    int format = -1;           // an OutputSettings::Format instead of preference.xml's; -1: none
    bool skipExisting = false; // leave out photos whose output is up to date (UpToDateCheck)
    int ifExists = -1;         // an OutputSettings::ExistingOutput; -1: config.ini's choice
    bool json = false;         // answer with JSON lines (see PhotoAnswers)
    bool quiet = false;        // no progress bar, no lines for photos written or skipped
    bool dryRun = false;       // read the photos and say where they would go; write nothing

    QString templateName; // empty: the template selected in config.ini, else the first
    bool resize = false;  // resize the photos for this run
    int jobs = 0;         // photos at a time; 0: the number of cores
    // The text every layer with a text of its own draws instead, for this run (--text).
    std::optional<QString> layerText;
    // JPEG outputs keep the blocks the watermark leaves alone (see LosslessJpeg).
    bool lossless = false;
    // JPEG quality and chroma sampling for the run instead of config.ini's (see OutputQuality).
    int jpegQuality = 0; // 0: config.ini's
    std::optional<OutputQuality::Sampling> sampling;
};

// Where the photos of a stamping run come from (see PhotoList).
struct PhotoSources
{
    QStringList names;          // the command line's photos (and folders, with `recursive`)
    QString listFile;           // --files-from: "-" for standard input; empty for none
    bool nullSeparated = false; // the list's names end with NUL
    bool recursive = false;     // folders stand for the photos below them
};

// Stamps every photo with the template and writes it as "preference.xml" says (or as the
// options override for this run). For each photo, in order, one answer (see PhotoAnswers).
// A dry run reads each photo and answers where its output would go ("PHOTO -> OUTPUT"),
// writing nothing, not even the output folder; its exit status is the real run's.
// Returns 0 when every photo was written or skipped, 1 when any failed or the run could not
// start (a list that cannot be read, an output folder that cannot be made).
int stampPhotos(const PhotoSources& sources, const StampOptions& options, QTextStream& out, QTextStream& err);

// Renders one photo as the output preview does and writes PNG data to `target`.
int previewPhoto(const QString& photo, const QString& target, const StampOptions& options, QTextStream& out,
                 QTextStream& err);

// Draws the template onto the built-in sample picture as the template editor's preview
// does (placement size 677 x 625) and writes it as PNG to `target`.
int drawSample(const QString& target, const StampOptions& options, QTextStream& out, QTextStream& err);
