#include "ui/editor/LayerMenu.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWidget>

namespace LayerMenu {

Command popUp(QWidget* button)
{
    QMenu menu(button);
    menu.setObjectName(QStringLiteral("LayerMenu"));
    QAction* add = menu.addAction(QCoreApplication::translate("LayerMenu", "添加新图层"));
    menu.addSeparator();
    QAction* rename = menu.addAction(QCoreApplication::translate("LayerMenu", "重命名该图层"));
    menu.addSeparator();
    QAction* remove = menu.addAction(QCoreApplication::translate("LayerMenu", "删除该图层"));
    QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    if (chosen == add)
        return AddLayer;
    if (chosen == rename)
        return RenameLayer;
    if (chosen == remove)
        return DeleteLayer;
    return None;
}

} // namespace LayerMenu
