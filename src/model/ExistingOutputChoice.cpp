#include "model/ExistingOutputChoice.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kKey = QStringLiteral("IfOutputExists");

} // namespace

OutputSettings::ExistingOutput readExistingOutputChoice()
{
    IniFile config(configIniPath());
    config.load();
    return readExistingOutputChoice(config);
}

OutputSettings::ExistingOutput readExistingOutputChoice(const IniFile& config)
{
    const int value = config.intValue(profileSectionName(), kKey, OutputSettings::ReplaceExisting);
    return value == OutputSettings::SkipExisting || value == OutputSettings::KeepBoth
               ? OutputSettings::ExistingOutput(value)
               : OutputSettings::ReplaceExisting;
}

Outcome writeExistingOutputChoice(OutputSettings::ExistingOutput choice)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kKey, int(choice));
}
