#include "ui/editor/CEditTemplateDlg.h"

#include <QTabWidget>

#include "model/SelectedTemplate.h"
#include "services/folders/FolderTree.h"
#include "ui/controls/DialogKeyFilter.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/EditorPreviewArea.h"

namespace {

const QPoint kTabControlPosition(8, 8);

} // namespace

CEditTemplateDlg::CEditTemplateDlg(QWidget* parent, const QString& templateName)
    : QDialog(parent), m_templateName(templateName.isEmpty() ? SelectedTemplateName() : templateName)
{
    setWindowTitle(tr("编辑水印模板"));
    setModal(true);
    DialogKeyFilter::Install(this);
    OnInitDialog();
}

CEditTemplateDlg::~CEditTemplateDlg()
{
    DestroyWindow();
}

void CEditTemplateDlg::OnInitDialog()
{
    m_preview = new EditorPreviewArea(this);
    m_preview->setObjectName(QStringLiteral("preview_area"));
    setEditorPreviewTarget(this);

    m_tabs = new QTabWidget(this);
    m_tabs->move(kTabControlPosition);
    m_textPage = new CTextEditTempDlg(m_templateName, m_tabs);
    m_imagePage = new CEditTempImgDlg(m_templateName, m_textPage, m_tabs);
    m_textPage->setImagePage(m_imagePage);
    m_tabs->addTab(m_textPage, tr("文本"));
    m_tabs->addTab(m_imagePage, tr("图像"));
    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CEditTemplateDlg::onTabChanged);
    layOutFor(m_textPage);

    // The first picture; from now on every stored change redraws it.
    ComposeWatermark(static_cast<int>(ComposeMode::EditorPreview), QString(), QString());
}

void CEditTemplateDlg::layOutFor(QWidget* page)
{
    const QSize pageSize = page->sizeHint();
    const int w = pageSize.width();
    const int h = pageSize.height();
    m_tabs->setFixedSize(w + 12, h + 30);
    m_preview->move(w + 27, 14);
    setFixedSize(w + 719, h + 81);
}

void CEditTemplateDlg::onTabChanged(int index)
{
    layOutFor(index == 1 ? static_cast<QWidget*>(m_imagePage) : m_textPage);
}

QSize CEditTemplateDlg::previewSize() const
{
    return m_preview->size();
}

void CEditTemplateDlg::showPreview(const QImage& picture, const QStringList& problems)
{
    m_preview->setPicture(picture, problems);
}

void CEditTemplateDlg::done(int result)
{
    DestroyWindow();
    QDialog::done(result);
}

void CEditTemplateDlg::DestroyWindow()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // Removing the pages must not lay the window out for a page that is going away.
    disconnect(m_tabs, nullptr, this, nullptr);
    // The text page stores the selected layer as it goes.
    delete m_textPage;
    m_textPage = nullptr;
    delete m_imagePage;
    m_imagePage = nullptr;
    setEditorPreviewTarget(nullptr);
    RemovePreviewCache();
}
