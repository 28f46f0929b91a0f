#include "services/skin/SkinUiLoader.h"

#include "services/skin/SkinList.h"
#include "services/skin/SkinListView.h"

SkinUiLoader::SkinUiLoader(QObject* parent) : QUiLoader(parent) {}

QWidget* SkinUiLoader::createWidget(const QString& className, QWidget* parent, const QString& name)
{
    if (className == QLatin1String("SkinList")) {
        auto* list = new SkinList(parent);
        list->setObjectName(name);
        return list;
    }
    if (className == QLatin1String("SkinListView")) {
        auto* list = new SkinListView(parent);
        list->setObjectName(name);
        return list;
    }
    return QUiLoader::createWidget(className, parent, name);
}
