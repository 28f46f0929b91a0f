#include "model/SelectedTemplate.h"

#include <QMutex>
#include <QMutexLocker>

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

struct SelectedName
{
    QMutex mutex;
    QString name;
};

SelectedName& selected()
{
    static SelectedName instance;
    return instance;
}

const QString kIndexKey = QStringLiteral("template");

} // namespace

void setSelectedTemplateName(const QString& name)
{
    SelectedName& s = selected();
    QMutexLocker lock(&s.mutex);
    s.name = name;
}

QString SelectedTemplateName()
{
    SelectedName& s = selected();
    QMutexLocker lock(&s.mutex);
    return s.name;
}

int loadSelectedTemplateIndex()
{
    return IniFile::readInt(configIniPath(), profileSectionName(), kIndexKey, 0);
}

Outcome storeSelectedTemplateIndex(int index)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kIndexKey, index < 0 ? 0 : index);
}
