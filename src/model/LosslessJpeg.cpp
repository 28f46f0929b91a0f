#include "model/LosslessJpeg.h"

#include <atomic>

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kKey = QStringLiteral("LosslessJpeg");

std::atomic<bool> g_lossless{false};

} // namespace

bool readLosslessJpeg()
{
    return IniFile::readInt(configIniPath(), profileSectionName(), kKey, 0) == 1;
}

Outcome writeLosslessJpeg(bool on)
{
    setLosslessJpeg(on);
    return IniFile::writeInt(configIniPath(), profileSectionName(), kKey, on ? 1 : 0);
}

bool losslessJpegChoice()
{
    return g_lossless.load();
}

void setLosslessJpeg(bool on)
{
    g_lossless.store(on);
}

bool loadLosslessJpeg()
{
    const bool on = readLosslessJpeg();
    setLosslessJpeg(on);
    return on;
}
