#include "model/StartupUpdateCheck.h"

#include <QString>

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kKey = QStringLiteral("检查更新");

} // namespace

bool startupUpdateCheckByDefault()
{
    return LUMORA_UPDATE_CHECK_AT_START != 0;
}

bool readStartupUpdateCheck()
{
    const int unset = -1;
    const int value = IniFile::readInt(configIniPath(), profileSectionName(), kKey, unset);
    if (value == unset)
        return startupUpdateCheckByDefault();
    return value == 1;
}

Outcome writeStartupUpdateCheck(bool on)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kKey, on ? 1 : 0);
}
