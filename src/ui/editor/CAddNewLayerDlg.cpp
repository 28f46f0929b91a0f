#include "ui/editor/CAddNewLayerDlg.h"

#include "model/DataFiles.h"

CAddNewLayerDlg::CAddNewLayerDlg(const QString& title, const QStringList& existingNames, QWidget* parent)
    : NamingDialogBase(title, tr("输入新的图层名称："), parent), m_existing(existingNames)
{
}

void CAddNewLayerDlg::onOk()
{
    const QString typed = typedName();
    // The name becomes a file name: empty names and names that would leave the templates
    // folder ("/", ".", "..") are refused alike.
    if (!isValidTemplateName(typed)) {
        inform(tr("请输入有效的图层名称。"), true);
        return;
    }
    for (const QString& existing : m_existing) {
        if (existing.compare(typed, Qt::CaseInsensitive) == 0) {
            inform(tr("图层名称存在，请输入一个不同的名称！"), false);
            return;
        }
    }
    m_name = typed;
    accept();
}
