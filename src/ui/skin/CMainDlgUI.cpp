#include "ui/skin/CMainDlgUI.h"

#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/folders/FolderTree.h"
#include "services/messages/WindowMessage.h"
#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinEffects.h"
#include "services/skin/SkinFrame.h"
#include "services/skin/SkinHorizontalLayout.h"
#include "services/skin/SkinLabel.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinListContainerElement.h"
#include "services/skin/SkinManager.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/MainCommands.h"
#include "ui/skin/MainDlgOwner.h"

#include <QAbstractButton>
#include <QCursor>
#include <QFileDialog>
#include <QLabel>
#include <QThread>
#include <atomic>
#include <type_traits>

namespace {
std::atomic<std::int32_t> nextFileItemId{0};
std::atomic<std::int32_t> nextTemplateItemId{0};

const char* const kFileRowAttributes = R"(height="22" padding="1,0,1,0")";
const char* const kFileRowLayoutAttributes = R"(height="22")";
const char* const kFileStatusAttributes = R"(name="file_status_label" float="true" width="14" height="15" )"
                                          R"(pos="20,4,34,19" bkimage="file='../default/ready.png'")";
const char* const kFilePathAttributes =
    R"(name="file_path_label" float="false" padding="60,0,0,0" )"
    R"(minwidth="150" height="22" text="file path" endellipsis="true" font="0")";
const char* const kTemplateRowAttributes = R"(width="233" height="22" padding="1,0,1,0")";
const char* const kTemplateNameAttributes = R"(name="temp_name_label" float="true" width="227" height="22" )"
                                            R"(pos="8,0,235,22" text="template" endellipsis="true" font="0")";

template <typename T> T* Find(SkinManager* skin, const char* name)
{
    return qobject_cast<T*>(skin->FindControl(QString::fromLatin1(name)));
}
} // namespace

CMainDlgUI::CMainDlgUI(QObject* parent) : QObject(parent)
{
    m_chooser = [](QWidget* window, const QString& filter) {
        // The dialog lets the user pick several photos; the read-only box does not exist here.
        return QFileDialog::getOpenFileNames(window, QString(), QString(), filter);
    };
}

CMainDlgUI::~CMainDlgUI()
{
    if (m_skin)
        m_skin->removeNotifier(this);
}

template <typename F> auto CMainDlgUI::onUiThread(F function) -> decltype(function())
{
    using Result = decltype(function());
    if (QThread::currentThread() == thread()) {
        return function();
    }
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(this, function, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            this, [&result, &function]() { result = function(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

bool CMainDlgUI::InitSkin(QWidget* window, MainDlgOwner* owner)
{
    m_window = window;
    m_owner = owner;
    m_skin = new SkinManager(this);
    if (!m_skin->Create(window, QStringLiteral("maindlg.xml"))) {
        m_error = m_skin->ErrorString();
        return false;
    }
    m_frame = new SkinFrame(window, m_skin);
    m_skin->AddNotifier(this);

    m_programNameLabel = m_skin->FindControl(QStringLiteral("program_name_label"));
    m_menuButton = Find<QAbstractButton>(m_skin, "menu_btn");
    m_minButton = Find<QAbstractButton>(m_skin, "min_btn");
    m_maxButton = Find<QAbstractButton>(m_skin, "max_btn");
    m_restoreButton = Find<QAbstractButton>(m_skin, "restore_btn");
    m_closeButton = Find<QAbstractButton>(m_skin, "close_btn");
    m_addButton = Find<QAbstractButton>(m_skin, "add_toolbar_btn");
    m_removeButton = Find<QAbstractButton>(m_skin, "remove_toolbar_btn");
    m_previewButton = Find<QAbstractButton>(m_skin, "preview_toolbar_btn");
    m_processButton = Find<QAbstractButton>(m_skin, "process_toolbar_btn");
    m_stopButton = Find<QAbstractButton>(m_skin, "stop_toolbar_btn");
    m_resizeButton = Find<QAbstractButton>(m_skin, "resize_toolbar_btn");
    m_preferenceButton = Find<QAbstractButton>(m_skin, "preference_toolbar_btn");
    for (QAbstractButton* button :
         {m_addButton.data(), m_removeButton.data(), m_previewButton.data(), m_processButton.data(),
          m_stopButton.data(), m_resizeButton.data(), m_preferenceButton.data()})
        EnableTextWhiteShadow(button, true);
    m_addTemplateButton = Find<QAbstractButton>(m_skin, "add_template_btn");
    m_menuTemplateButton = Find<QAbstractButton>(m_skin, "menu_template_btn");
    m_templateList = Find<SkinList>(m_skin, "template_list");
    m_hintLabel = Find<QLabel>(m_skin, "file_hint_label");
    if (m_hintLabel)
        m_hint = m_hintLabel->text();
    m_fileList = Find<SkinList>(m_skin, "file_list");

    if (auto* label = qobject_cast<QLabel*>(m_programNameLabel.data()))
        label->setText(QStringLiteral("Lumora Plenum"));
    if (m_templateList) {
        connect(m_templateList, &QListWidget::itemSelectionChanged, this, [this]() {
            const int row = m_templateList->getCurSel();
            const QString name = row >= 0 && row < static_cast<int>(m_templateItems.size())
                                     ? m_templateItems[static_cast<size_t>(row)].name
                                     : QString();
            setSelectedTemplateName(name);
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

SkinListContainerElement* CMainDlgUI::buildFileRow(const FileListItem& item)
{
    auto* element = new SkinListContainerElement;
    ApplyAttributeList(element, QString::fromLatin1(kFileRowAttributes));
    auto* layout = new SkinHorizontalLayout;
    ApplyAttributeList(layout, QString::fromLatin1(kFileRowLayoutAttributes));
    element->Add(layout);
    auto* status = new SkinLabel;
    ApplyAttributeList(status, QString::fromLatin1(kFileStatusAttributes));
    layout->Add(status);
    auto* pathLabel = new SkinLabel;
    ApplyAttributeList(pathLabel, QString::fromLatin1(kFilePathAttributes));
    layout->Add(pathLabel);
    element->SetTag(item.id);
    return element;
}

void CMainDlgUI::AddFilesByDialog()
{
    if (!m_chooser)
        return;
    const QStringList paths = m_chooser(m_window, qtOpenFileFilter());
    for (const QString& path : paths) {
        if (!containsFile(path))
            AddFileItem(path);
    }
    if (m_fileList && m_fileList->getCount() > 0)
        enableFileButtons();
}

void CMainDlgUI::AddFileItem(const QString& path)
{
    FileListItem item{nextFileItemId.fetch_add(1), path};
    m_fileItems.push_back(item);
    if (!m_fileList)
        return;
    SkinListContainerElement* row = buildFileRow(item);
    m_fileList->Add(row);
    if (auto* label = qobject_cast<SkinLabel*>(FindNamedChild(row, QStringLiteral("file_path_label"))))
        label->SetText(path);
}

bool CMainDlgUI::containsFile(const QString& path) const
{
    for (const FileListItem& item : m_fileItems) {
        if (item.path == path)
            return true;
    }
    return false;
}

void CMainDlgUI::RemoveSelectedFile()
{
    if (!m_fileList)
        return;
    const int row = m_fileList->getCurSel();
    if (row < 0)
        return;
    if (row < static_cast<int>(m_fileItems.size()))
        m_fileItems.erase(m_fileItems.begin() + row);
    m_fileList->RemoveAt(row);
    if (m_fileList->getCount() == 0) {
        EnableRemoveButton(false);
        EnablePreviewButton(false);
        EnableProcessButton(false);
    }
}

int CMainDlgUI::selectedFileRow() const
{
    return m_fileList ? m_fileList->getCurSel() : -1;
}

void CMainDlgUI::SelectFileRow(int row)
{
    onUiThread([this, row]() {
        if (m_fileList)
            m_fileList->selectItem(row);
    });
}

void CMainDlgUI::setStatusPicture(const QString& picture, const QString& tip)
{
    if (m_fileList)
        setRowStatus(m_fileList->getCurSel(), picture, tip);
}

void CMainDlgUI::setRowStatus(int rowIndex, const QString& picture, const QString& tip)
{
    if (!m_fileList)
        return;
    SkinListContainerElement* row = m_fileList->getItemAt(rowIndex);
    if (!row)
        return;
    if (auto* status = qobject_cast<SkinLabel*>(FindNamedChild(row, QStringLiteral("file_status_label")))) {
        status->SetBkImage(SkinResources::InstancePath() + picture);
        status->setToolTip(tip);
    }
    row->setToolTip(tip);
    // The path label shows its full text as tooltip; a failed photo's reason goes with it.
    if (auto* path = qobject_cast<SkinLabel*>(FindNamedChild(row, QStringLiteral("file_path_label"))))
        path->setToolTip(tip.isEmpty() ? path->GetText() : path->GetText() + QLatin1Char('\n') + tip);
}

void CMainDlgUI::markAllFilesReady()
{
    onUiThread([this]() {
        if (!m_fileList)
            return;
        for (int row = 0; row < m_fileList->getCount(); ++row)
            setRowStatus(row, QStringLiteral("skin/default/ready.png"), QString());
    });
}

QStringList CMainDlgUI::filePaths()
{
    return onUiThread([this]() {
        QStringList paths;
        for (const FileListItem& item : m_fileItems)
            paths.append(item.path);
        return paths;
    });
}

int CMainDlgUI::filesAfterSelection()
{
    return onUiThread([this]() {
        const int count = m_fileList ? int(m_fileList->getCount()) : 0;
        const int row = m_fileList ? m_fileList->getCurSel() : -1;
        return std::max(0, count - (row + 1));
    });
}

void CMainDlgUI::markFileDone(int row)
{
    onUiThread([this, row]() { setRowStatus(row, QStringLiteral("skin/default/ok.png"), QString()); });
}

void CMainDlgUI::markFileFailed(int row, const QString& reason)
{
    onUiThread(
        [this, row, reason]() { setRowStatus(row, QStringLiteral("skin/default/failed.png"), reason); });
}

void CMainDlgUI::MarkSelectedFileDone()
{
    onUiThread([this]() { setStatusPicture(QStringLiteral("skin/default/ok.png"), QString()); });
}

void CMainDlgUI::markSelectedFileFailed(const QString& reason)
{
    onUiThread([this, reason]() { setStatusPicture(QStringLiteral("skin/default/failed.png"), reason); });
}

QString CMainDlgUI::CurrentPhotoPath()
{
    if (!m_fileList || m_fileList->getCount() < 1 || m_fileItems.empty())
        return QString();
    int row = m_fileList->getCurSel();
    if (row < 0)
        row = 0;
    m_fileList->selectItem(row);
    return row < static_cast<int>(m_fileItems.size()) ? m_fileItems[static_cast<size_t>(row)].path
                                                      : QString();
}

QString CMainDlgUI::SelectNextPhoto()
{
    return selectNextFile().second;
}

std::pair<int, QString> CMainDlgUI::selectNextFile()
{
    return onUiThread([this]() -> std::pair<int, QString> {
        if (!m_fileList)
            return {-1, QString()};
        const int row = m_fileList->getCurSel() + 1; // 0 when nothing is selected
        if (row >= m_fileList->getCount() || row >= static_cast<int>(m_fileItems.size()))
            return {-1, QString()};
        m_fileList->selectItem(row);
        return {row, m_fileItems[static_cast<size_t>(row)].path};
    });
}

QString CMainDlgUI::SelectPreviousPhoto()
{
    if (!m_fileList)
        return QString();
    const int row = m_fileList->getCurSel() - 1;
    if (row < 0 || row >= static_cast<int>(m_fileItems.size()))
        return QString();
    m_fileList->selectItem(row);
    return m_fileItems[static_cast<size_t>(row)].path;
}

// ---- Template list ----

SkinListContainerElement* CMainDlgUI::buildTemplateRow(const TemplateListItem& item)
{
    auto* element = new SkinListContainerElement;
    ApplyAttributeList(element, QString::fromLatin1(kTemplateRowAttributes));
    auto* label = new SkinLabel;
    ApplyAttributeList(label, QString::fromLatin1(kTemplateNameAttributes));
    element->Add(label);
    element->SetTag(item.id);
    return element;
}

void CMainDlgUI::LoadTemplateList()
{
    m_templateItems.clear();
    if (m_templateList)
        m_templateList->RemoveAll();
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
    m_templateList->Add(row);
    if (auto* label = qobject_cast<SkinLabel*>(FindNamedChild(row, QStringLiteral("temp_name_label"))))
        label->SetText(name);
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
                if (element && element->Tag() == id) {
                    m_templateList->RemoveAt(row);
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
        if (element && element->Tag() == item.id) {
            if (auto* label =
                    qobject_cast<SkinLabel*>(FindNamedChild(element, QStringLiteral("temp_name_label"))))
                label->SetText(newName);
            break;
        }
    }
    setSelectedTemplateName(newName);
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

void CMainDlgUI::selectTemplateRow(int row)
{
    if (m_templateList)
        m_templateList->selectItem(row);
}

// ---- Toolbar ----

void CMainDlgUI::EnableButton(QAbstractButton* button, bool enable)
{
    if (button)
        button->setEnabled(enable);
}

void CMainDlgUI::EnableRemoveButton(bool enable)
{
    onUiThread([this, enable]() { EnableButton(m_removeButton, enable); });
}

void CMainDlgUI::EnablePreviewButton(bool enable)
{
    onUiThread([this, enable]() { EnableButton(m_previewButton, enable); });
}

void CMainDlgUI::EnableProcessButton(bool enable)
{
    onUiThread([this, enable]() { EnableButton(m_processButton, enable); });
}

void CMainDlgUI::EnableStopButton(bool enable)
{
    onUiThread([this, enable]() { EnableButton(m_stopButton, enable); });
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
    onUiThread([this, text]() {
        if (m_hintLabel)
            m_hintLabel->setText(text.isEmpty() ? m_hint : text);
    });
}

// ---- Notifications ----

void CMainDlgUI::sendMessageToWindow(int message, int code)
{
    if (!m_window)
        return;
    WindowMessageEvent event(message, code, 0);
    QCoreApplication::sendEvent(m_window, &event);
}

void CMainDlgUI::Notify(const SkinNotify& msg)
{
    QWidget* sender = msg.sender;
    if (!sender || !m_window)
        return;
    if (msg.type == QLatin1String("click")) {
        if (sender == m_menuButton) {
            if (m_owner)
                m_owner->showMainMenu(QCursor::pos() + QPoint(-5, 15));
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
            if (m_owner && m_fileList && m_fileList->getCount() > 0)
                m_owner->previewPhoto();
        } else if (sender == m_processButton) {
            if (m_owner)
                m_owner->startBatch();
        } else if (sender == m_stopButton) {
            sendMessageToWindow(MainUiToolbarMessage, StopRunCode);
        } else if (sender == m_resizeButton) {
            sendMessageToWindow(MainUiToolbarMessage, ResizingCode);
        } else if (sender == m_preferenceButton) {
            sendMessageToWindow(MainUiToolbarMessage, PreferenceCode);
        } else if (sender == m_addTemplateButton) {
            sendMessageToWindow(MainUiTemplateMessage, NewTemplateCode);
        } else if (sender == m_menuTemplateButton) {
            sendMessageToWindow(MainUiTemplateMessage, TemplateMenuCode);
        }
    } else if (msg.type == QLatin1String("itemclick")) {
        // Previews are drawn afresh with the newly selected photo or template.
        RemovePreviewCache();
    } else if (msg.type == QLatin1String("itemactivate")) {
        if (!m_fileList || !m_owner)
            return;
        const int edge = m_fileList->mapTo(m_window, QPoint(0, 0)).x();
        if (msg.point.x() > edge)
            m_owner->previewPhoto();
        else if (msg.point.x() < edge)
            m_owner->onCommand(EditTemplateCommand);
    }
}
