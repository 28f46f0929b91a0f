#pragma once

#include <QString>

#include <ctime>

#include "services/imaging/ImageEncoder.h"

// Whether a photo's output is up to date for --skip-existing: the output is a whole file of the
// run's output format (see OutputCompleteness: a cut, empty or foreign file is made again),
// newer than the photo and than every file the template draws with (its file, its layer files
// and the pictures of its layers). Times are compared to the nanosecond; an equal time is not
// newer.
class UpToDateCheck
{
public:
    // Reads the template's files once. When any of them cannot be looked at, no output
    // counts as up to date (isReady() is false).
    UpToDateCheck(const QString& templateName, ImageEncoder::FileFormat format);

    bool isReady() const { return m_ready; }

    // Safe to call from several threads at once.
    bool isUpToDate(const QString& output, const QString& photo) const;

private:
    bool m_ready = false;
    ImageEncoder::FileFormat m_format;
    timespec m_newestTemplateFile{};
};
