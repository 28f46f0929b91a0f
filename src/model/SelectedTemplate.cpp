#include "model/SelectedTemplate.h"

#include "model/DataFiles.h"
#include "model/ProcessValue.h"
#include "services/ini/IniFile.h"

namespace {

ProcessValue<QString>& selected()
{
    static ProcessValue<QString> instance;
    return instance;
}

const QString kIndexKey = QStringLiteral("template");

} // namespace

void setSelectedTemplateName(const QString& name)
{
    selected().set(name);
}

QString SelectedTemplateName()
{
    return selected().get();
}

int loadSelectedTemplateIndex()
{
    return IniFile::readInt(configIniPath(), profileSectionName(), kIndexKey, 0);
}

Outcome storeSelectedTemplateIndex(int index)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kIndexKey, index < 0 ? 0 : index);
}
