#include "model/RenderSettings.h"

#include "model/DataFiles.h"
#include "model/ExistingOutputChoice.h"
#include "model/LosslessJpeg.h"
#include "services/ini/IniFile.h"

QString RenderSettings::reloadOutputChoices()
{
    const QString unreadable = loadPreferencesForRun(output);
    // The three choices of "config.ini", read from one load of the file.
    IniFile config(configIniPath());
    config.load();
    output.ifOutputExists = readExistingOutputChoice(config);
    losslessJpeg = readLosslessJpeg(config);
    quality = readOutputQuality(config);
    return unreadable;
}
