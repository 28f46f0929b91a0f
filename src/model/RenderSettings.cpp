#include "model/RenderSettings.h"

#include "model/ExistingOutputChoice.h"
#include "model/LosslessJpeg.h"

QString RenderSettings::reloadOutputChoices()
{
    const QString unreadable = loadPreferencesForRun(output);
    output.ifOutputExists = readExistingOutputChoice();
    losslessJpeg = readLosslessJpeg();
    quality = readOutputQuality();
    return unreadable;
}
