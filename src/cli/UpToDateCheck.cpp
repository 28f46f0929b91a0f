#include "cli/UpToDateCheck.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "services/imaging/OutputCompleteness.h"

namespace {

// The modification time of a file (links followed); false when it cannot be looked at.
bool modificationTime(const QString& path, timespec& time)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    time = info.st_mtim;
    return true;
}

bool isLater(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

} // namespace

UpToDateCheck::UpToDateCheck(const QString& templateName, ImageEncoder::FileFormat format) : m_format(format)
{
    WatermarkTemplate tmpl;
    if (!loadWatermarkTemplate(templateName, tmpl))
        return;
    QStringList files{templateFilePath(templateName)};
    for (const QString& layer : tmpl.layers) {
        files << templateFilePath(layer);
        WatermarkConf conf;
        if (!LoadLayerConf(layer, conf))
            return;
        if (!conf.ImagePathName.isEmpty())
            files << conf.ImagePathName;
    }
    for (const QString& file : files) {
        timespec time{};
        if (file.isEmpty() || !modificationTime(file, time))
            return;
        if (isLater(time, m_newestTemplateFile))
            m_newestTemplateFile = time;
    }
    m_ready = true;
}

bool UpToDateCheck::isUpToDate(const QString& output, const QString& photo) const
{
    if (!m_ready || output.isEmpty())
        return false;
    struct stat info = {};
    if (::stat(QFile::encodeName(output).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    timespec photoTime{};
    return modificationTime(photo, photoTime) && isLater(info.st_mtim, photoTime) &&
           isLater(info.st_mtim, m_newestTemplateFile) && OutputCompleteness::isComplete(output, m_format);
}
