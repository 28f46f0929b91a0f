#include "ui/editor/CAddNewTempDlg.h"

#include "model/DataFiles.h"

CAddNewTempDlg::CAddNewTempDlg(const QString& title, QString& pendingName, QWidget* parent)
    : NamingDialogBase(title, tr("输入模板名称:"), parent), m_pending(pendingName)
{
}

void CAddNewTempDlg::onOk()
{
    m_pending = typedName();
    // The name becomes a file name in the templates folder: names that are empty or would
    // leave the folder are refused.
    if (isValidTemplateName(m_pending))
        accept();
    else
        inform(tr("请输入有效的模板名称。"), true);
}
