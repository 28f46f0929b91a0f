#include "model/SelectedTemplate.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kIndexKey = QStringLiteral("template");

} // namespace

int loadSelectedTemplateIndex()
{
    return IniFile::readInt(configIniPath(), profileSectionName(), kIndexKey, 0);
}

Outcome storeSelectedTemplateIndex(int index)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kIndexKey, index < 0 ? 0 : index);
}
