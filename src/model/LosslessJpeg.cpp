#include "model/LosslessJpeg.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kKey = QStringLiteral("LosslessJpeg");

} // namespace

bool readLosslessJpeg()
{
    IniFile config(configIniPath());
    config.load();
    return readLosslessJpeg(config);
}

bool readLosslessJpeg(const IniFile& config)
{
    return config.intValue(profileSectionName(), kKey, 0) == 1;
}

Outcome writeLosslessJpeg(bool on)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kKey, on ? 1 : 0);
}
