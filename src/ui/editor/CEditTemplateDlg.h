#pragma once

#include <QDialog>
#include <QString>

#include "render/ComposeWatermark.h"

class QTabWidget;
class CEditTempImgDlg;
class CTextEditTempDlg;
class EditorPreviewArea;

// The template editor: the text and picture pages in a tab control on the left, and on the
// right a live 677 x 625 preview of the whole template on the sample picture, which the
// compositor redraws after every stored change.
class CEditTemplateDlg : public QDialog, public EditorPreviewTarget
{
    Q_OBJECT

public:
    // Edits the given template (by default the one selected in the main window).
    explicit CEditTemplateDlg(QWidget* parent = nullptr, const QString& templateName = QString());
    ~CEditTemplateDlg() override;

    QSize previewSize() const override;
    void showPreview(const QImage& picture, const QStringList& problems) override;

    void done(int result) override;

    CTextEditTempDlg* textPage() const { return m_textPage; }
    CEditTempImgDlg* imagePage() const { return m_imagePage; }
    EditorPreviewArea* previewArea() const { return m_preview; }
    QTabWidget* tabControl() const { return m_tabs; }

private:
    void OnInitDialog();
    // Saves the selected layer (text page), withdraws the preview and drops the output
    // preview cache. Runs once.
    void DestroyWindow();
    void layOutFor(QWidget* page);
    void onTabChanged(int index);

    QString m_templateName;
    QTabWidget* m_tabs = nullptr;
    EditorPreviewArea* m_preview = nullptr;
    CTextEditTempDlg* m_textPage = nullptr;
    CEditTempImgDlg* m_imagePage = nullptr;
    bool m_destroyed = false;
};
