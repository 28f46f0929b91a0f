#include "cli/BatchCommands.h"

#include <QFileInfo>
#include <QStringList>

#include "model/OutputSettings.h"
#include "model/TemplateStore.h"
#include "services/folders/Folders.h"

int ListTemplates(QTextStream& out, QTextStream& err)
{
    const QString data = GetAppDataFolder();
    if (!QFileInfo(data).isDir()) {
        err << "lumora-batch: cannot create the data folder " << data << Qt::endl;
        return 1;
    }
    CreateDefaultPreferences();
    CreateDefaultTemplates();

    QStringList names;
    if (!LoadTemplateNames(names)) {
        err << "lumora-batch: cannot read the template list in " << GetTemplatesFolder() << Qt::endl;
        return 1;
    }
    for (const QString& name : names)
        out << name << '\n';
    out.flush();
    return 0;
}
