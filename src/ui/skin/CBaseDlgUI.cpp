#include "ui/skin/CBaseDlgUI.h"

#include <QGuiApplication>
#include <QScreen>

#include "services/skin/SkinFrame.h"
#include "services/skin/SkinManager.h"
#include "ui/controls/DialogKeyFilter.h"

CBaseDlgUI::CBaseDlgUI(QWidget* owner) : QDialog(owner)
{
    m_skin = new SkinManager(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    DialogKeyFilter::install(this);
}

CBaseDlgUI::~CBaseDlgUI() = default;

QWidget* CBaseDlgUI::FindControl(const QString& name) const
{
    return m_skin->FindControl(name);
}

bool CBaseDlgUI::Create()
{
    if (m_created)
        return m_error.isEmpty();
    m_created = true;
    setObjectName(getWindowClassName());
    if (!OnCreate()) {
        if (m_error.isEmpty())
            m_error = tr("The window %1 cannot be built.").arg(getWindowClassName());
        return false;
    }
    return true;
}

bool CBaseDlgUI::loadLayout(const QString& layoutFile)
{
    if (!m_skin->Create(this, layoutFile)) {
        m_error = m_skin->errorString();
        return false;
    }
    m_frame = new SkinFrame(this, m_skin);
    // The layout gives the window its size.
    QWidget* root = m_skin->root();
    resize(root->size().expandedTo(root->minimumSizeHint()));
    return true;
}

void CBaseDlgUI::CenterWindow()
{
    QRect over;
    if (QWidget* owner = parentWidget())
        over = owner->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isEmpty())
        return;
    QRect frame = geometry();
    frame.moveCenter(over.center());
    move(frame.topLeft());
}

int CBaseDlgUI::ShowModal()
{
    if (!Create())
        return -1;
    CenterWindow();
    return exec();
}
