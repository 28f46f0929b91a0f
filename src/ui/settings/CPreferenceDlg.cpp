#include "ui/settings/CPreferenceDlg.h"

#include "ui/controls/DialogFrame.h"

#include <QFrame>
#include <QKeyEvent>
#include <QTabBar>

#include "ui/settings/CGeneralConfDlg.h"

namespace {

// Where the tab control stands in the window, and where the page stands inside it.
constexpr int kTabControlX = 7;
constexpr int kTabControlY = 7;
constexpr int kPageX = 5;
constexpr int kPageY = 24;

} // namespace

CPreferenceDlg::CPreferenceDlg(QWidget* parent) : QDialog(parent)
{
    DialogFrame::setUp(this, QStringLiteral("CPreferenceDlg"), tr("首选项"));

    m_tabControl = new QWidget(this);
    m_tabControl->setObjectName(QStringLiteral("preference_tabs"));
    m_tabControl->move(kTabControlX, kTabControlY);
    m_tabPanel = new QFrame(m_tabControl);
    m_tabPanel->setFrameShape(QFrame::StyledPanel);
    m_tabBar = new QTabBar(m_tabControl);
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);

    m_page = new CGeneralConfDlg(m_tabControl);
    m_tabBar->addTab(tr("常规"));
    connect(m_tabBar, &QTabBar::currentChanged, this, &CPreferenceDlg::onTabChanged);

    layoutPage();
    m_page->show();
    m_tabBar->setCurrentIndex(m_focusTab);
}

CPreferenceDlg::~CPreferenceDlg()
{
    destroyPage();
}

void CPreferenceDlg::layoutPage()
{
    CGeneralConfDlg* page = m_page.data();
    if (!page)
        return;
    // The page keeps its own size w x h; the tab control becomes (w + 12) x (h + 30) with
    // the page at (5, 24) in it, and the window (w + 26) x (h + 75).
    const QSize pageSize =
        page->sizeHint().expandedTo(page->minimumSizeHint()).expandedTo(page->minimumSize());
    const int w = pageSize.width();
    const int h = pageSize.height();
    const int tabHeight = m_tabBar->sizeHint().height();
    // A style with taller tabs moves the page down by the difference.
    const int extra = qMax(0, tabHeight + 1 - kPageY);

    page->setGeometry(kPageX, kPageY + extra, w, h);
    m_tabControl->resize(w + 12, h + 30 + extra);
    m_tabBar->setGeometry(0, 0, w + 12, tabHeight);
    m_tabPanel->setGeometry(0, tabHeight - 1, w + 12, h + 30 + extra - tabHeight + 1);
    page->raise();
    setFixedSize(w + 26, h + 75 + extra);
}

void CPreferenceDlg::onTabChanged(int index)
{
    if (index != 0 || !m_page)
        return;
    layoutPage();
    m_page->show();
}

void CPreferenceDlg::destroyPage()
{
    // Destroying the page is what stores the output settings.
    delete m_page;
}

void CPreferenceDlg::done(int result)
{
    if (m_page) {
        m_page->checkBeforeClosing();
        destroyPage();
    }
    QDialog::done(result);
}
