#include "model/LosslessJpeg.h"

#include <atomic>

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kKey = QStringLiteral("LosslessJpeg");

std::atomic<bool> g_lossless{false};

} // namespace

bool ReadLosslessJpeg()
{
    return IniFile::ReadInt(ConfigIniPath(), ProfileSectionName(), kKey, 0) == 1;
}

bool WriteLosslessJpeg(bool on)
{
    SetLosslessJpeg(on);
    return IniFile::WriteInt(ConfigIniPath(), ProfileSectionName(), kKey, on ? 1 : 0);
}

bool LosslessJpeg()
{
    return g_lossless.load();
}

void SetLosslessJpeg(bool on)
{
    g_lossless.store(on);
}

bool LoadLosslessJpeg()
{
    const bool on = ReadLosslessJpeg();
    SetLosslessJpeg(on);
    return on;
}
