#include "ui/skin/CMainDlgUI.h"

#include "model/MainWindowState.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/folders/FolderTree.h"
#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinEffects.h"
#include "services/skin/SkinFrame.h"
#include "services/skin/SkinHorizontalLayout.h"
#include "services/skin/SkinLabel.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinListContainerElement.h"
#include "services/skin/SkinManager.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/PhotoInspector.h"
#include "ui/skin/PhotoListModel.h"
#include "ui/skin/PhotoRowDelegate.h"

#include <QAbstractButton>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QThread>
#include <QtMath>
#include <atomic>

namespace {
std::atomic<std::int32_t> nextFileItemId{0};
std::atomic<std::int32_t> nextTemplateItemId{0};

const char* const kTemplateRowAttributes = R"(width="233" height="22" padding="1,0,1,0")";
const char* const kTemplateNameAttributes = R"(name="temp_name_label" float="true" width="227" height="22" )"
                                            R"(pos="8,0,235,22" text="template" endellipsis="true" font="0")";

template <typename T> T* find(SkinManager* skin, const char* name)
{
    return qobject_cast<T*>(skin->FindControl(QString::fromLatin1(name)));
}
} // namespace

CMainDlgUI::CMainDlgUI(QObject* parent) : QObject(parent)
{
    m_chooser = [this](QWidget* window, const QString& filter) {
        // The dialog lets the user pick several photos; the read-only box does not exist here.
        return QFileDialog::getOpenFileNames(window, QString(), m_addPhotosFolder, filter);
    };
    m_fileModel = new PhotoListModel(this);
    m_rowDelegate = new PhotoRowDelegate(this);
    m_inspector = new PhotoInspector(this);
    m_updateTimer.setSingleShot(true);
    connect(&m_updateTimer, &QTimer::timeout, this, &CMainDlgUI::applyRunUpdates);
    // Direct on the user-interface thread, queued from a worker.
    connect(this, &CMainDlgUI::runButtonChangeRequested, this, &CMainDlgUI::applyRunButton);
}

CMainDlgUI::~CMainDlgUI()
{
    if (m_skin)
        m_skin->removeNotifier(this);
}

bool CMainDlgUI::InitSkin(QWidget* window)
{
    m_window = window;
    m_skin = new SkinManager(this);
    if (!m_skin->Create(window, QStringLiteral("maindlg.xml"))) {
        m_error = m_skin->errorString();
        return false;
    }
    m_frame = new SkinFrame(window, m_skin);
    m_skin->AddNotifier(this);

    m_programNameLabel = m_skin->FindControl(QStringLiteral("program_name_label"));
    m_menuButton = find<QAbstractButton>(m_skin, "menu_btn");
    m_minButton = find<QAbstractButton>(m_skin, "min_btn");
    m_maxButton = find<QAbstractButton>(m_skin, "max_btn");
    m_restoreButton = find<QAbstractButton>(m_skin, "restore_btn");
    m_closeButton = find<QAbstractButton>(m_skin, "close_btn");
    m_addButton = find<QAbstractButton>(m_skin, "add_toolbar_btn");
    m_removeButton = find<QAbstractButton>(m_skin, "remove_toolbar_btn");
    m_previewButton = find<QAbstractButton>(m_skin, "preview_toolbar_btn");
    m_processButton = find<QAbstractButton>(m_skin, "process_toolbar_btn");
    m_stopButton = find<QAbstractButton>(m_skin, "stop_toolbar_btn");
    m_resizeButton = find<QAbstractButton>(m_skin, "resize_toolbar_btn");
    m_preferenceButton = find<QAbstractButton>(m_skin, "preference_toolbar_btn");
    for (QAbstractButton* button :
         {m_addButton.data(), m_removeButton.data(), m_previewButton.data(), m_processButton.data(),
          m_stopButton.data(), m_resizeButton.data(), m_preferenceButton.data()})
        EnableTextWhiteShadow(button, true);
    m_addTemplateButton = find<QAbstractButton>(m_skin, "add_template_btn");
    m_menuTemplateButton = find<QAbstractButton>(m_skin, "menu_template_btn");
    m_templateList = find<SkinList>(m_skin, "template_list");
    m_hintLabel = find<QLabel>(m_skin, "file_hint_label");
    if (m_hintLabel)
        m_hint = m_hintLabel->text();
    m_fileList = find<SkinListView>(m_skin, "file_list");
    m_countLabel = find<QLabel>(m_skin, "file_header_label");
    if (m_countLabel)
        m_countText = m_countLabel->text();
    setUpFileList();

    if (auto* label = qobject_cast<QLabel*>(m_programNameLabel.data()))
        label->setText(QStringLiteral("Lumora Plenum"));
    if (m_templateList) {
        connect(m_templateList, &QListWidget::itemSelectionChanged, this, [this]() {
            const int row = m_templateList->getCurSel();
            const QString name = row >= 0 && row < static_cast<int>(m_templateItems.size())
                                     ? m_templateItems[static_cast<size_t>(row)].name
                                     : QString();
            setCurrentTemplateName(name);
            emit templateSelectionChanged(name);
        });
    }
    m_frame->updateMaxRestoreButtons();
    m_frame->applyRoundCorner();
    return true;
}

QWidget* CMainDlgUI::FindControl(const QString& name) const
{
    return m_skin ? m_skin->FindControl(name) : nullptr;
}

QString CMainDlgUI::openFileFilter()
{
    return tr(
        "所有支持文件|*.jpg;*.jpeg;*.png;*.bmp;*.tif;*.tiff;*.gif;*.heic;*.heif;*.avif;*.webp|"
        "联合图像专家组 (*.jpg)|*.jpg|"
        "Windows 位图 Image (*.bmp)|*.bmp|便携式网络图形 (*.png)|*.png|"
        "Tagged 图像文件模式 (*.tif;*.tiff)|*.tif; *.tiff|"
        "HEIF 图像 (*.heic;*.heif)|*.heic;*.heif|AVIF 图像 (*.avif)|*.avif|WebP 图像 (*.webp)|*.webp||");
}

QString CMainDlgUI::qtOpenFileFilter()
{
    // "name|patterns|name|patterns||" becomes "name (patterns);;name (patterns)".
    const QStringList parts = openFileFilter().split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns.simplified()));
    }
    return filters.join(QStringLiteral(";;"));
}

void CMainDlgUI::setOpenFileChooser(OpenFileChooser chooser)
{
    m_chooser = std::move(chooser);
}

// ---- File list ----

void CMainDlgUI::setUpFileList()
{
    SkinListView* list = m_fileList.data();
    if (!list)
        return;
    list->setModel(m_fileModel);
    list->setItemDelegate(m_rowDelegate);
    // The walk of a run starts after the row the person selects.
    const auto follow = [this, list]() {
        if (!m_followingWalk)
            m_fileModel->setWalkRow(list->getCurSel(), false);
    };
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this, follow);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, follow);
    connect(list, &SkinListView::inputArriving, this, &CMainDlgUI::applyRunUpdates);
    connect(m_fileModel, &QAbstractItemModel::rowsInserted, this, &CMainDlgUI::updateFileCount);
    connect(m_fileModel, &QAbstractItemModel::rowsRemoved, this, &CMainDlgUI::updateFileCount);
    connect(m_fileModel, &QAbstractItemModel::modelReset, this, &CMainDlgUI::updateFileCount);

    // Thumbnails are made at the screen's pixel density.
    if (const QWidget* window = m_window.data())
        m_pixelRatio = window->devicePixelRatioF();
    const QSize box = m_rowDelegate->thumbnailRect().size();
    m_inspector->setThumbnailBox(
        QSize(qCeil(box.width() * m_pixelRatio), qCeil(box.height() * m_pixelRatio)));
    connect(m_inspector, &PhotoInspector::checked, this, &CMainDlgUI::onChecked);
    connect(m_inspector, &PhotoInspector::thumbnailReady, this, [this](std::int32_t id) {
        const int row = m_fileModel->rowOfId(id);
        if (row >= 0 && m_fileList)
            m_fileList->update(m_fileModel->index(row));
    });

    m_fileMenu = new QMenu(m_fileList);
    m_clearAction = m_fileMenu->addAction(tr("清空列表"), this, &CMainDlgUI::clearFileList);
    m_thumbnailsAction = m_fileMenu->addAction(tr("显示缩略图"));
    m_thumbnailsAction->setCheckable(true);
    connect(m_thumbnailsAction, &QAction::toggled, this, [this](bool show) {
        showThumbnails(show);
        MainWindowState::storeShowThumbnails(show);
    });
    m_fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_fileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_clearAction->setEnabled(!m_batchRunning && m_fileModel->rowCount() > 0);
        m_fileMenu->popup(m_fileList->viewport()->mapToGlobal(pos));
    });

    const MainWindowState state = MainWindowState::load();
    m_addPhotosFolder = state.addPhotosFolder;
    m_thumbnailsAction->setChecked(state.showThumbnails);
    showThumbnails(state.showThumbnails);
    updateFileCount();
}

void CMainDlgUI::showThumbnails(bool show)
{
    m_inspector->setThumbnailsWanted(show);
    if (show) {
        m_rowDelegate->setThumbnailSource([this](const QModelIndex& index) {
            const auto id = std::int32_t(index.data(PhotoListModel::IdRole).toInt());
            QImage thumbnail = m_inspector->thumbnail(id);
            if (thumbnail.isNull())
                m_inspector->requestThumbnail(id, index.data(PhotoListModel::PathRole).toString());
            else
                thumbnail.setDevicePixelRatio(m_pixelRatio);
            return thumbnail;
        });
    } else {
        m_rowDelegate->setThumbnailSource({});
        m_inspector->forgetThumbnails();
    }
    if (m_fileList)
        m_fileList->viewport()->update();
}

void CMainDlgUI::updateFileCount()
{
    if (m_countLabel)
        m_countLabel->setText(QStringLiteral("%1 (%2)").arg(m_countText).arg(m_fileModel->rowCount()));
}

const std::vector<FileListItem>& CMainDlgUI::fileItems() const
{
    return m_fileModel->items();
}

void CMainDlgUI::AddFilesByDialog()
{
    if (!m_chooser)
        return;
    const QStringList paths = m_chooser(m_window, qtOpenFileFilter());
    if (!paths.isEmpty()) {
        const QString folder = QFileInfo(paths.first()).absolutePath();
        if (folder != m_addPhotosFolder) {
            m_addPhotosFolder = folder;
            MainWindowState::storeAddPhotosFolder(folder);
        }
    }
    addFileItems(paths);
    if (m_fileModel->rowCount() > 0)
        enableFileButtons();
}

int CMainDlgUI::addFileItems(const QStringList& paths)
{
    const std::vector<FileListItem> added =
        m_fileModel->append(paths, []() { return nextFileItemId.fetch_add(1); });
    inspectAdded(added);
    return int(added.size());
}

void CMainDlgUI::AddFileItem(const QString& path)
{
    const FileListItem item{nextFileItemId.fetch_add(1), path};
    m_fileModel->appendItem(item);
    inspectAdded({item});
}

void CMainDlgUI::inspectAdded(const std::vector<FileListItem>& items)
{
    for (const FileListItem& item : items)
        m_inspector->inspect(item.id, item.path);
}

void CMainDlgUI::onChecked(std::int32_t id, const QString& reason)
{
    if (reason.isEmpty())
        return;
    // A photo a run has marked already keeps the run's mark.
    const int row = m_fileModel->rowOfId(id);
    if (row >= 0 && m_fileModel->markAt(row) == PhotoListModel::Ready)
        m_fileModel->setMarkNow(row, PhotoListModel::Failed, reason);
}

bool CMainDlgUI::containsFile(const QString& path) const
{
    return m_fileModel->contains(path);
}

void CMainDlgUI::RemoveSelectedFile()
{
    if (!m_fileList)
        return;
    applyRunUpdates();
    const QList<int> rows = m_fileList->selectedRows();
    if (rows.isEmpty())
        return;
    m_fileModel->removeRowList(rows);
    if (m_fileModel->rowCount() == 0) {
        EnableRemoveButton(false);
        EnablePreviewButton(false);
        EnableProcessButton(false);
    }
}

void CMainDlgUI::clearFileList()
{
    if (m_batchRunning || m_fileModel->rowCount() == 0)
        return;
    m_inspector->forgetAll();
    m_fileModel->clear();
    EnableRemoveButton(false);
    EnablePreviewButton(false);
    EnableProcessButton(false);
}

QString CMainDlgUI::fileStatusPicture(int row) const
{
    return PhotoRowDelegate::markPicture(m_fileModel->markAt(row));
}

QString CMainDlgUI::fileFailureReason(int row) const
{
    return m_fileModel->reasonAt(row);
}

int CMainDlgUI::selectedFileRow() const
{
    const_cast<CMainDlgUI*>(this)->applyRunUpdates();
    return m_fileList ? m_fileList->getCurSel() : -1;
}

void CMainDlgUI::setBatchRunning(bool running)
{
    m_batchRunning = running;
    m_inspector->setPaused(running);
    if (!running)
        applyRunUpdates();
}

void CMainDlgUI::requestRunUpdates()
{
    if (!m_updateScheduled.exchange(true))
        QMetaObject::invokeMethod(this, &CMainDlgUI::scheduleRunUpdates, Qt::QueuedConnection);
}

void CMainDlgUI::scheduleRunUpdates()
{
    if (m_updateTimer.isActive())
        return;
    const qint64 since = m_sinceUpdate.isValid() ? m_sinceUpdate.elapsed() : kUpdateIntervalMs;
    m_updateTimer.start(int(std::max<qint64>(0, kUpdateIntervalMs - since)));
}

void CMainDlgUI::applyRunUpdates()
{
    if (QThread::currentThread() != thread())
        return;
    m_updateScheduled = false;
    m_updateTimer.stop();
    m_sinceUpdate.start();
    const PhotoListModel::Pending pending = m_fileModel->takePending();
    if (pending.walkMoved && m_fileList) {
        m_followingWalk = true;
        m_fileList->selectItem(pending.walkRow);
        m_followingWalk = false;
    }
    QString hint;
    bool hintPending = false;
    {
        QMutexLocker lock(&m_hintLock);
        std::swap(hintPending, m_hintPending);
        hint = m_pendingHint;
    }
    if (hintPending && m_hintLabel)
        m_hintLabel->setText(hint.isEmpty() ? m_hint : hint);
}

void CMainDlgUI::SelectFileRow(int row)
{
    if (QThread::currentThread() != thread()) {
        m_fileModel->setWalkRow(row, true);
        requestRunUpdates();
        return;
    }
    applyRunUpdates();
    if (m_fileList)
        m_fileList->selectItem(row);
    m_fileModel->setWalkRow(row, false);
}

void CMainDlgUI::markAllFilesReady()
{
    m_fileModel->setAllMarks(PhotoListModel::Ready);
    requestRunUpdates();
}

QStringList CMainDlgUI::filePaths()
{
    return m_fileModel->paths();
}

int CMainDlgUI::filesAfterSelection()
{
    return m_fileModel->rowsAfterWalk();
}

void CMainDlgUI::markFileDone(int row)
{
    m_fileModel->setMark(row, PhotoListModel::Done, QString());
    requestRunUpdates();
}

void CMainDlgUI::markFileFailed(int row, const QString& reason)
{
    m_fileModel->setMark(row, PhotoListModel::Failed, reason);
    requestRunUpdates();
}

void CMainDlgUI::MarkSelectedFileDone()
{
    markFileDone(m_fileModel->walkRow());
}

void CMainDlgUI::markSelectedFileFailed(const QString& reason)
{
    markFileFailed(m_fileModel->walkRow(), reason);
}

QString CMainDlgUI::CurrentPhotoPath()
{
    applyRunUpdates();
    if (!m_fileList || m_fileModel->rowCount() < 1)
        return QString();
    int row = m_fileList->getCurSel();
    if (row < 0)
        row = 0;
    m_fileList->selectItem(row);
    return m_fileModel->pathAt(row);
}

QString CMainDlgUI::SelectNextPhoto()
{
    return selectNextFile().second;
}

std::pair<int, QString> CMainDlgUI::selectNextFile()
{
    if (!m_fileList)
        return {-1, QString()};
    if (QThread::currentThread() != thread()) {
        const std::pair<int, QString> next = m_fileModel->advanceWalk();
        if (next.first >= 0)
            requestRunUpdates();
        return next;
    }
    applyRunUpdates();
    const int row = m_fileList->getCurSel() + 1; // 0 when nothing is selected
    if (row >= m_fileModel->rowCount())
        return {-1, QString()};
    m_fileList->selectItem(row);
    return {row, m_fileModel->pathAt(row)};
}

QString CMainDlgUI::SelectPreviousPhoto()
{
    applyRunUpdates();
    if (!m_fileList)
        return QString();
    const int row = m_fileList->getCurSel() - 1;
    if (row < 0 || row >= m_fileModel->rowCount())
        return QString();
    m_fileList->selectItem(row);
    return m_fileModel->pathAt(row);
}

// ---- Template list ----

SkinListContainerElement* CMainDlgUI::buildTemplateRow(const TemplateListItem& item)
{
    auto* element = new SkinListContainerElement;
    ApplyAttributeList(element, QString::fromLatin1(kTemplateRowAttributes));
    auto* label = new SkinLabel;
    ApplyAttributeList(label, QString::fromLatin1(kTemplateNameAttributes));
    element->add(label);
    element->setTag(item.id);
    return element;
}

void CMainDlgUI::LoadTemplateList()
{
    m_templateItems.clear();
    if (m_templateList)
        m_templateList->removeAll();
    QStringList names;
    if (!loadTemplateNames(names) || names.isEmpty())
        return; // an empty or unreadable list: the remembered index is not applied
    for (const QString& name : names)
        AddTemplateItem(name);
    if (m_templateList)
        m_templateList->selectItem(loadSelectedTemplateIndex());
}

void CMainDlgUI::AddTemplateItem(const QString& name)
{
    TemplateListItem item{nextTemplateItemId.fetch_add(1), name};
    m_templateItems.push_back(item);
    if (!m_templateList)
        return;
    SkinListContainerElement* row = buildTemplateRow(item);
    m_templateList->add(row);
    if (auto* label = qobject_cast<SkinLabel*>(FindNamedChild(row, QStringLiteral("temp_name_label"))))
        label->setText(name);
}

void CMainDlgUI::RemoveTemplateItem(const QString& name)
{
    for (size_t i = 0; i < m_templateItems.size(); ++i) {
        if (m_templateItems[i].name != name)
            continue;
        const std::int32_t id = m_templateItems[i].id;
        m_templateItems.erase(m_templateItems.begin() + static_cast<std::ptrdiff_t>(i));
        if (m_templateList) {
            for (int row = 0; row < m_templateList->getCount(); ++row) {
                SkinListContainerElement* element = m_templateList->getItemAt(row);
                if (element && element->tag() == id) {
                    m_templateList->removeAt(row);
                    break;
                }
            }
        }
        return;
    }
}

void CMainDlgUI::RenameSelectedTemplate(const QString& newName)
{
    if (!m_templateList)
        return;
    const int row = m_templateList->getCurSel();
    if (row < 0 || row >= static_cast<int>(m_templateItems.size()))
        return;
    TemplateListItem& item = m_templateItems[static_cast<size_t>(row)];
    item.name = newName;
    for (int i = 0; i < m_templateList->getCount(); ++i) {
        SkinListContainerElement* element = m_templateList->getItemAt(i);
        if (element && element->tag() == item.id) {
            if (auto* label =
                    qobject_cast<SkinLabel*>(FindNamedChild(element, QStringLiteral("temp_name_label"))))
                label->setText(newName);
            break;
        }
    }
    setCurrentTemplateName(newName);
    emit templateSelectionChanged(newName);
}

int CMainDlgUI::SelectedTemplateIndex()
{
    if (!m_templateList)
        return 0;
    const int row = m_templateList->getCurSel();
    if (row >= 0)
        return row;
    m_templateList->selectItem(0);
    return 0;
}

QString CMainDlgUI::SelectedTemplateName()
{
    if (!m_templateList)
        return QString();
    const int row = m_templateList->getCurSel();
    if (row < 0 || row >= static_cast<int>(m_templateItems.size()))
        return QString();
    m_templateList->selectItem(row);
    return m_templateItems[static_cast<size_t>(row)].name;
}

QString CMainDlgUI::currentTemplateName() const
{
    QMutexLocker lock(&m_templateLock);
    return m_currentTemplate;
}

void CMainDlgUI::setCurrentTemplateName(const QString& name)
{
    QMutexLocker lock(&m_templateLock);
    m_currentTemplate = name;
}

void CMainDlgUI::selectTemplateRow(int row)
{
    if (m_templateList)
        m_templateList->selectItem(row);
}

// ---- Toolbar ----

void CMainDlgUI::applyRunButton(int button, bool enable)
{
    QAbstractButton* target = nullptr;
    switch (RunButton(button)) {
    case RunButton::Remove:
        target = m_removeButton;
        break;
    case RunButton::Preview:
        target = m_previewButton;
        break;
    case RunButton::Process:
        target = m_processButton;
        break;
    case RunButton::Stop:
        target = m_stopButton;
        break;
    }
    if (target)
        target->setEnabled(enable);
}

void CMainDlgUI::EnableRemoveButton(bool enable)
{
    emit runButtonChangeRequested(int(RunButton::Remove), enable);
}

void CMainDlgUI::EnablePreviewButton(bool enable)
{
    emit runButtonChangeRequested(int(RunButton::Preview), enable);
}

void CMainDlgUI::EnableProcessButton(bool enable)
{
    emit runButtonChangeRequested(int(RunButton::Process), enable);
}

void CMainDlgUI::EnableStopButton(bool enable)
{
    emit runButtonChangeRequested(int(RunButton::Stop), enable);
}

void CMainDlgUI::enableFileButtons()
{
    if (m_batchRunning)
        return;
    EnableRemoveButton(true);
    EnablePreviewButton(true);
    EnableProcessButton(true);
}

void CMainDlgUI::showRunProgress(const QString& text)
{
    {
        QMutexLocker lock(&m_hintLock);
        m_pendingHint = text;
        m_hintPending = true;
    }
    if (QThread::currentThread() == thread())
        applyRunUpdates();
    else
        requestRunUpdates();
}

// ---- Notifications ----

void CMainDlgUI::notify(const SkinNotify& msg)
{
    QWidget* sender = msg.sender;
    if (!sender || !m_window)
        return;
    if (msg.type == QLatin1String("click")) {
        if (sender == m_menuButton) {
            emit mainMenuRequested(QCursor::pos() + QPoint(-5, 15));
        } else if (sender == m_minButton) {
            m_window->showMinimized();
        } else if (sender == m_maxButton) {
            m_window->showMaximized();
        } else if (sender == m_restoreButton) {
            m_window->showNormal();
        } else if (sender == m_closeButton) {
            m_window->close();
        } else if (sender == m_addButton) {
            AddFilesByDialog();
        } else if (sender == m_removeButton) {
            RemoveSelectedFile();
        } else if (sender == m_previewButton) {
            if (m_fileModel->rowCount() > 0)
                emit previewRequested();
        } else if (sender == m_processButton) {
            emit batchRequested();
        } else if (sender == m_stopButton) {
            emit stopRequested();
        } else if (sender == m_resizeButton) {
            emit resizingRequested();
        } else if (sender == m_preferenceButton) {
            emit preferencesRequested();
        } else if (sender == m_addTemplateButton) {
            emit newTemplateRequested();
        } else if (sender == m_menuTemplateButton) {
            emit templateMenuRequested();
        }
    } else if (msg.type == QLatin1String("itemclick")) {
        // Previews are drawn afresh with the newly selected photo or template.
        RemovePreviewCache();
    } else if (msg.type == QLatin1String("itemactivate")) {
        if (!m_fileList)
            return;
        const int edge = m_fileList->mapTo(m_window, QPoint(0, 0)).x();
        if (msg.point.x() > edge)
            emit previewRequested();
        else if (msg.point.x() < edge)
            emit templateEditorRequested();
    }
}
