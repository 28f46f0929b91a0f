#include "ui/editor/CEditTemplateDlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QUndoStack>

#include "model/EditorWindowSize.h"
#include "model/TemplateStore.h"
#include "services/folders/FolderTree.h"
#include "ui/controls/DialogKeyFilter.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/EditorHistory.h"
#include "ui/editor/EditorMessages.h"
#include "ui/editor/EditorPreviewArea.h"
#include "ui/editor/EditorPreviewRenderer.h"
#include "ui/editor/LayerDragging.h"
#include "ui/editor/LayerStoreRecord.h"
#include "ui/editor/PreviewPhotoChooser.h"

namespace {

const QPoint kTabControlPosition(8, 8);
// The chooser row above the preview and the notice line under it.
constexpr int kTop = 14;
constexpr int kRowHeight = 26;
constexpr int kGap = 6;
constexpr int kNoticeHeight = 20;
constexpr int kBottomMargin = 12;

} // namespace

CEditTemplateDlg::CEditTemplateDlg(RenderSettings settings, QWidget* parent)
    : QDialog(parent), m_settings(std::move(settings)), m_templateName(m_settings.templateName)
{
    setWindowTitle(tr("编辑水印模板"));
    setModal(true);
    // The window can be enlarged and maximised; the preview grows with it.
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    DialogKeyFilter::install(this);
    OnInitDialog();
}

CEditTemplateDlg::~CEditTemplateDlg()
{
    DestroyWindow();
}

void CEditTemplateDlg::OnInitDialog()
{
    LayerStoreRecord::clear();
    // Every render is requested of the renderer, which draws off the window thread.
    m_renderer = new EditorPreviewRenderer(m_settings, this);
    connect(m_renderer, &EditorPreviewRenderer::rendered, this, &CEditTemplateDlg::onRendered);
    m_photos = new PreviewPhotoChooser(this);
    connect(m_photos, &PreviewPhotoChooser::chosen, m_renderer, &EditorPreviewRenderer::setPhoto);
    for (const auto& [key, steps] : {std::pair{Qt::Key_PageUp, -1}, std::pair{Qt::Key_PageDown, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, m_photos, [this, step = steps] { m_photos->step(step); });
    }
    m_preview = new EditorPreviewArea(this);
    m_preview->setObjectName(QStringLiteral("preview_area"));
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("outside_notice"));
    m_notice->setStyleSheet(QStringLiteral("QLabel { color: rgb(176, 32, 32); }"));

    m_tabs = new QTabWidget(this);
    m_tabs->move(kTabControlPosition);
    m_textPage = new CTextEditTempDlg(m_templateName, m_editConf, m_tabs);
    m_imagePage = new CEditTempImgDlg(m_templateName, m_editConf, m_textPage, m_tabs);
    m_textPage->setImagePage(m_imagePage);
    // A change that cannot be written is shown with the preview's problems until a store
    // succeeds; every store redraws the preview.
    const auto report = [this](const Outcome& stored) {
        m_unstored = stored.sentence();
        ComposeWatermark(static_cast<int>(ComposeMode::EditorPreview), m_settings, QString(), QString(),
                         this);
    };
    m_textPage->setCommitReport(report);
    m_imagePage->setCommitReport(report);
    m_tabs->addTab(m_textPage, tr("文本"));
    m_tabs->addTab(m_imagePage, tr("图像"));
    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CEditTemplateDlg::onTabChanged);
    layOutFor(m_textPage);

    m_dragging = new LayerDragging(
        m_preview, m_tabs, m_editConf, m_textPage, m_imagePage, [this] { return previewSize(); },
        [this] { return m_fields; }, this);

    // The first picture; from now on every stored change redraws it.
    ComposeWatermark(static_cast<int>(ComposeMode::EditorPreview), m_settings, QString(), QString(), this);
    buildHistory();
    restoreWindowSize();
}

void CEditTemplateDlg::buildHistory()
{
    m_history = new EditorHistory(
        m_templateName, [this] { m_textPage->reloadFromFiles(); }, this);
    for (QLineEdit* field : findChildren<QLineEdit*>()) {
        connect(field, &QLineEdit::textEdited, m_history, &EditorHistory::typing);
        connect(field, &QLineEdit::editingFinished, m_history, &EditorHistory::closeStep);
        // The editor's undo and redo keys win over the fields' own.
        field->installEventFilter(this);
    }
    for (QSlider* slider : findChildren<QSlider*>()) {
        connect(slider, &QSlider::sliderPressed, m_history, &EditorHistory::hold);
        connect(slider, &QSlider::sliderReleased, m_history, &EditorHistory::release);
    }
    const struct
    {
        QKeySequence keys;
        void (EditorHistory::*act)();
    } shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), &EditorHistory::undo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &EditorHistory::redo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), &EditorHistory::redo},
    };
    for (const auto& [keys, act] : shortcuts) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, m_history, act);
    }
}

bool CEditTemplateDlg::isHistoryKey(const QKeyEvent* key)
{
    const QKeySequence pressed(key->keyCombination());
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
          QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (pressed == keys)
            return true;
    return false;
}

bool CEditTemplateDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A field takes Ctrl+Z for its own undo unless the key is kept from it here; the
    // window's shortcut then undoes the editor's last step.
    if (event->type() == QEvent::ShortcutOverride && isHistoryKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void CEditTemplateDlg::layOutFor(QWidget* page)
{
    m_pageSize = page->sizeHint();
    const int w = m_pageSize.width();
    const int h = m_pageSize.height();
    m_tabs->setFixedSize(w + 12, h + 30);
    // The design size is the smallest; the preview takes whatever the window grows by.
    const int previewHeight =
        kTop + kRowHeight + kGap + EditorPreviewArea::kHeight + kGap + kNoticeHeight + kBottomMargin;
    const QSize design(w + 719, qMax(h + 81, previewHeight));
    setMinimumSize(design);
    if (width() < design.width() || height() < design.height())
        resize(size().expandedTo(design));
    placePreview();
}

void CEditTemplateDlg::placePreview()
{
    const int left = m_pageSize.width() + 27;
    const int areaWidth = qMax(EditorPreviewArea::kWidth, width() - left - 15);
    m_photos->setGeometry(left, kTop, areaWidth, kRowHeight);
    const int areaTop = kTop + kRowHeight + kGap;
    const int areaHeight =
        qMax(EditorPreviewArea::kHeight, height() - areaTop - kGap - kNoticeHeight - kBottomMargin);
    m_preview->setGeometry(left, areaTop, areaWidth, areaHeight);
    m_notice->setGeometry(left, areaTop + areaHeight + kGap, areaWidth, kNoticeHeight);
    // Drawn at the size shown, in device pixels.
    m_renderer->setShownSize(m_preview->size() * m_preview->devicePixelRatioF());
}

void CEditTemplateDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_preview)
        placePreview();
}

void CEditTemplateDlg::restoreWindowSize()
{
    const EditorWindowSize kept = readEditorWindowSize();
    m_keptSize = kept.size.isValid() || kept.maximized;
    if (kept.size.isValid())
        resize(kept.size.expandedTo(minimumSize()));
    if (kept.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CEditTemplateDlg::storeWindowSize()
{
    EditorWindowSize now;
    now.maximized = isMaximized();
    now.size = now.maximized ? normalGeometry().size() : size();
    // Nothing is written for a window left at its design size, unless a size was kept before.
    if (!m_keptSize && !now.maximized && now.size == minimumSize())
        return;
    writeEditorWindowSize(now);
}

void CEditTemplateDlg::onTabChanged(int index)
{
    layOutFor(index == 1 ? static_cast<QWidget*>(m_imagePage) : m_textPage);
}

QSize CEditTemplateDlg::previewSize() const
{
    // The size placement refers to: the sample's, or the shown photo's as a run makes it.
    return m_canvas;
}

void CEditTemplateDlg::showPreview(const QImage& picture, const QStringList& problems)
{
    onRendered(picture, problems, {}, previewSize());
}

bool CEditTemplateDlg::requestRender()
{
    m_renderer->request();
    return true;
}

void CEditTemplateDlg::setPreviewPhotos(const QStringList& photos)
{
    m_photos->setPhotos(photos);
    if (!m_renderer->photo().isEmpty())
        m_renderer->setPhoto(QString());
}

bool CEditTemplateDlg::isRendering() const
{
    return m_renderer->isBusy();
}

void CEditTemplateDlg::onRendered(const QImage& picture, const QStringList& problems,
                                  const QStringList& outside, const QSize& canvas)
{
    if (canvas.isValid())
        m_canvas = canvas;
    // The values the fields of text layers show on this picture, as the render filled them.
    const TemplatePreview::Source* source = m_renderer->source();
    const QString fieldsOf = source ? source->path : QString();
    if (!m_fieldsKnown || fieldsOf != m_fieldsOf) {
        m_fields = source && !source->path.isEmpty()
                       ? TextFieldValues::forPhoto(source->path, source->embedded, source->canvas, 0)
                       : TextFieldValues::sample(m_canvas);
        m_fieldsOf = fieldsOf;
        m_fieldsKnown = true;
    }
    QImage shown = picture;
    shown.setDevicePixelRatio(m_preview->devicePixelRatioF());
    m_preview->setPicture(shown, m_unstored.isEmpty() ? problems : problems + QStringList{m_unstored},
                          m_canvas);
    QStringList notices;
    for (const QString& layer : outside)
        notices << tr("图层 \"%1\" 有一部分在照片外").arg(layer);
    const QString notice = notices.join(QStringLiteral("；"));
    m_notice->setText(QFontMetrics(m_notice->font()).elidedText(notice, Qt::ElideRight, m_notice->width()));
    m_notice->setToolTip(notices.size() > 1 || m_notice->text() != notice ? notices.join(QLatin1Char('\n'))
                                                                          : QString());
    if (m_dragging)
        m_dragging->refresh();
}

void CEditTemplateDlg::done(int result)
{
    if (!m_destroyed) {
        storeWindowSize();
        offerUnstoredChanges();
    }
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
    delete m_dragging;
    m_dragging = nullptr;
    // The pages' last stores are no step of the history, which goes with the pages.
    delete m_history;
    m_history = nullptr;
    // The text page stores the selected layer as it goes.
    delete m_textPage;
    m_textPage = nullptr;
    delete m_imagePage;
    m_imagePage = nullptr;
    RemovePreviewCache();
}

void CEditTemplateDlg::offerUnstoredChanges()
{
    const QString layer = m_textPage->selectedLayerName();
    if (!layer.isEmpty())
        LayerStoreRecord::store(layer, m_editConf);
    if (!LayerStoreRecord::hasUnstored())
        return;
    const bool copy =
        EditorMessages::askYesNo(this, tr("无法保存对模板 \"%1\" 的更改：它的文件已不存在或无法写入。\n"
                                          "是否将更改写入该模板的一个新副本？选择“否”将放弃这些更改。")
                                           .arg(m_templateName));
    if (copy) {
        m_savedCopy =
            addTemplateCopy(m_templateName, LayerStoreRecord::latestValues(m_textPage->layerNames()));
        if (m_savedCopy.isEmpty())
            EditorMessages::fail(this, tr("无法写入模板 \"%1\" 的新副本。").arg(m_templateName));
        else
            EditorMessages::inform(this, tr("更改已写入新模板 \"%1\"。").arg(m_savedCopy));
    }
    // Either way the changes are dealt with: the pages' last stores at close fail again.
    LayerStoreRecord::clear();
}
