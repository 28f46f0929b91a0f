#pragma once

#include <QDialog>
#include <QString>

#include "model/RenderSettings.h"
#include "model/WatermarkConf.h"
#include "render/ComposeWatermark.h"
#include "render/TextFieldValues.h"

class QKeyEvent;
class QLabel;
class QTabWidget;
class EditorHistory;
class LayerDragging;
class CEditTempImgDlg;
class CTextEditTempDlg;
class EditorPreviewArea;
class EditorPreviewRenderer;
class PreviewPhotoChooser;

// The template editor: the text and picture pages in a tab control on the left, and on the
// right a live preview of the whole template on the 677 x 625 sample picture or on a photo of
// the main window's list (chosen above it), redrawn off the window thread after every stored
// change, with a line under it naming the layers that lie partly outside the photo. The window can be resized
// and maximised (the preview grows with it); its size is kept in config.ini for the next opening.
class CEditTemplateDlg : public QDialog, public EditorPreviewTarget
{
    Q_OBJECT

public:
    // Edits the template of `settings` (the main window's values as the editor opens: the
    // selected template; the resize values and switch, by which a photo of the list is shown).
    explicit CEditTemplateDlg(RenderSettings settings, QWidget* parent = nullptr);
    ~CEditTemplateDlg() override;

    QSize previewSize() const override;
    void showPreview(const QImage& picture, const QStringList& problems) override;
    bool requestRender() override;

    // The photos the preview can show after the sample (the main window's list); the
    // sample stays chosen.
    void setPreviewPhotos(const QStringList& photos);
    PreviewPhotoChooser* photoChooser() const { return m_photos; }
    QLabel* outsideNotice() const { return m_notice; }
    // True while the preview is being drawn (off the window thread).
    bool isRendering() const;
    EditorPreviewRenderer* previewRenderer() const { return m_renderer; }

    void done(int result) override;

    CTextEditTempDlg* textPage() const { return m_textPage; }
    CEditTempImgDlg* imagePage() const { return m_imagePage; }
    // The values of the layer being edited, as the pages show and store them.
    WatermarkConf& editConf() { return m_editConf; }
    EditorPreviewArea* previewArea() const { return m_preview; }
    QTabWidget* tabControl() const { return m_tabs; }
    EditorHistory* history() const { return m_history; }
    // The template written at close with changes that could not be stored (empty: none).
    QString savedCopy() const { return m_savedCopy; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    // The undo history: steps closed by the fields' and sliders' edits, Ctrl+Z to undo,
    // Ctrl+Shift+Z and Ctrl+Y to redo.
    void buildHistory();
    static bool isHistoryKey(const QKeyEvent* key);
    // Saves the selected layer (text page), withdraws the preview and drops the output
    // preview cache. Runs once.
    void DestroyWindow();
    void layOutFor(QWidget* page);
    // The preview area fills the window right of the pages.
    void placePreview();
    // The size the window had when it was last closed (config.ini), and storing it at close.
    void restoreWindowSize();
    void storeWindowSize();
    void onTabChanged(int index);
    // A picture from the renderer: shown with its problems, and the layers that lie partly
    // outside the photo named in the line under it.
    void onRendered(const QImage& picture, const QStringList& problems, const QStringList& outside,
                    const QSize& canvas);
    // At close: stores the selected layer, and when changes could not be stored (the
    // template's files vanished), asks whether to write them as a new copy of the template
    // or to discard them.
    void offerUnstoredChanges();

    RenderSettings m_settings;
    QString m_templateName;
    // The editing instance (EditConf): the selected layer's values as the pages show and store
    // them.
    WatermarkConf m_editConf;
    QTabWidget* m_tabs = nullptr;
    EditorPreviewArea* m_preview = nullptr;
    CTextEditTempDlg* m_textPage = nullptr;
    CEditTempImgDlg* m_imagePage = nullptr;
    EditorHistory* m_history = nullptr;
    EditorPreviewRenderer* m_renderer = nullptr;
    PreviewPhotoChooser* m_photos = nullptr;
    QLabel* m_notice = nullptr;
    QSize m_canvas{677, 625};
    // What the fields of text layers show on the picture shown (for placing by hand).
    TextFieldValues m_fields;
    QString m_fieldsOf;
    bool m_fieldsKnown = false;
    LayerDragging* m_dragging = nullptr;
    QString m_savedCopy;
    QString m_unstored; // why the last change did not reach its layer's file; empty when it did
    QSize m_pageSize;
    bool m_keptSize = false;
    bool m_destroyed = false;
};
