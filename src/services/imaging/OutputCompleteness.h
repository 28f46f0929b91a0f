#pragma once

#include <QString>

#include "services/imaging/ImageEncoder.h"

// Whether a file written earlier as an output of the given format is whole: it parses to its
// end as that format. A run that may leave an existing output alone (--skip-existing) asks
// this first, so that a cut, empty or foreign file under an output's name is made again
// instead of being taken for done.
//
// JPEG: the markers from the start of the file to an end marker after at least one scan
// (entropy-coded data stepped over); PNG: the chunks from the header chunk to IEND, each
// within the file; TIFF: the first directory reads and its strips or tiles lie within the
// file; WebP: the RIFF size matches the file and the chunks fill it; BMP: the file holds the
// size its header gives and the pixel data of every row. The file is read once, mapped.
class OutputCompleteness
{
public:
    static bool isComplete(const QString& path, ImageEncoder::FileFormat format);
};
