#include "ui/skin/CQuickStartDlgUI.h"

#include <QAbstractButton>
#include <QTimer>

#include "model/DataFiles.h"
#include "services/skin/SkinManager.h"
#include "xml/XmlDocument.h"

CQuickStartDlgUI::CQuickStartDlgUI(QWidget* owner) : CBaseDlgUI(owner) {}

CQuickStartDlgUI::~CQuickStartDlgUI()
{
    GetPaintManager()->removeNotifier(this);
}

bool CQuickStartDlgUI::InitSkin()
{
    if (!loadLayout(QStringLiteral("quickstart.xml")))
        return false;
    GetPaintManager()->AddNotifier(this);
    InitControls();
    setWindowTitle(tr("快速入门"));

    m_dontShow = qobject_cast<QAbstractButton*>(FindControl(QStringLiteral("dontshow_Option")));
    if (m_dontShow) {
        m_dontShow->setCheckable(true);
        m_dontShow->setChecked(false);
    }
    return true;
}

void CQuickStartDlgUI::notify(const SkinNotify& msg)
{
    if (msg.type != QLatin1String("click") || !msg.sender)
        return;
    const QString name = msg.sender->objectName();
    if (name.compare(QLatin1String("close_btn"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("ok_btn"), Qt::CaseInsensitive) == 0) {
        QTimer::singleShot(0, this, [this]() { close(); });
    } else if (m_dontShow && msg.sender == m_dontShow) {
        // The click has already toggled the option: store its new state.
        storeOpenQuickStart(m_dontShow->isChecked());
    }
}

bool CQuickStartDlgUI::storeOpenQuickStart(bool dontShow)
{
    const QString path = preferencesPath();
    XmlDocument doc;
    if (!doc.LoadFile(path))
        return false;
    if (doc.FindElement(QStringLiteral("Preferences")) && doc.EnterElement()) {
        if (doc.FindElement(QStringLiteral("OpenQuickStartDlg")))
            doc.SetElementData(dontShow ? 1 : 0);
        doc.LeaveElement();
    }
    return doc.SaveFile(path);
}
