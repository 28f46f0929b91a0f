#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// The commands of lumora-batch. Each returns the process exit code: 0 done, 1 failed.
// Every command first prepares the data folder as the desktop program's first start does
// (default preferences, then the demonstration template when the templates folder is missing).

// Prints the template names of the template list, one per line, in list order.
int ListTemplates(QTextStream& out, QTextStream& err);

// What a stamping command renders with.
struct StampOptions
{
    QString templateName; // empty: the template selected in config.ini, else the first
    bool resize = false;  // resize the photos for this run
    int jobs = 0;         // photos at a time; 0: the number of cores
    // JPEG outputs keep the blocks the watermark leaves alone (see LosslessJpeg).
    bool lossless = false;
};

// Stamps every photo with the template and writes it as "preference.xml" says. For each
// photo, in order, one line: the path written on `out`, or "PHOTO: reason" on `err`.
// Returns 0 when every photo was written, 1 when any failed.
int StampPhotos(const QStringList& photos, const StampOptions& options, QTextStream& out, QTextStream& err);

// Renders one photo as the output preview does and writes PNG data to `target`.
int PreviewPhoto(const QString& photo, const QString& target, const StampOptions& options, QTextStream& out,
                 QTextStream& err);

// Draws the template onto the built-in sample picture as the template editor's preview
// does (placement size 677 x 625) and writes it as PNG to `target`.
int DrawSample(const QString& target, const StampOptions& options, QTextStream& out, QTextStream& err);
