#pragma once

#include "services/skin/SkinList.h"
#include "services/skin/SkinNotifier.h"
#include "ui/skin/FileListItem.h"
#include "ui/skin/TemplateListItem.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <vector>

class MainDlgOwner;
class SkinFrame;
class SkinListContainerElement;
class SkinManager;
class QLabel;
class QWidget;

// The skinned surface of the main window: builds "maindlg.xml" into the main dialog's window,
// gives it the frameless frame, owns the file list and the template list with their item
// records, and turns clicks into the main dialog's operations and messages.
//
// SelectFileRow, SelectNextPhoto, MarkSelectedFileDone, MarkSelectedFileFailed,
// SelectNextFile, MarkFileDone, MarkFileFailed, MarkAllFilesReady, FilePaths,
// FilesAfterSelection, ShowRunProgress and the four Enable operations may be
// called from the batch worker: they then run on the user-interface
// thread while the worker waits. Everything else belongs to the user-interface thread.
class CMainDlgUI : public QObject, public SkinNotifier
{
    Q_OBJECT
public:
    // Chooses photos to add: given the parent window and the dialog's filter in Qt's form,
    // returns the chosen paths (empty when cancelled).
    using OpenFileChooser = std::function<QStringList(QWidget* parent, const QString& filter)>;

    explicit CMainDlgUI(QObject* parent = nullptr);
    ~CMainDlgUI() override;

    // Builds the layout into the window and finds the controls. False (with the reason in
    // ErrorString) when the layout cannot be loaded; the window then stays empty.
    bool InitSkin(QWidget* window, MainDlgOwner* owner);
    QString ErrorString() const { return m_error; }

    QWidget* Window() const { return m_window; }
    SkinManager* skin() const { return m_skin; }
    SkinFrame* Frame() const { return m_frame; }
    QWidget* FindControl(const QString& name) const;
    SkinList* fileList() const { return m_fileList; }
    SkinList* templateList() const { return m_templateList; }

    // The open-file dialog's filter text.
    static QString openFileFilter();
    // The same filter in the form Qt's file dialog takes.
    static QString qtOpenFileFilter();
    void setOpenFileChooser(OpenFileChooser chooser);

    // File list.
    void AddFilesByDialog();
    void AddFileItem(const QString& path);
    bool containsFile(const QString& path) const;
    void RemoveSelectedFile();
    void SelectFileRow(int row);
    void MarkSelectedFileDone();
    // Every row back to the ready picture, without tooltip (a run starts).
    void markAllFilesReady();
    // The photos of the list, in order.
    QStringList filePaths();
    // The number of rows after the selected one (all rows when none is selected).
    int filesAfterSelection();
    // Marks the selected photo as failed; the row's tooltip gives the reason.
    void markSelectedFileFailed(const QString& reason);
    QString CurrentPhotoPath();
    QString SelectNextPhoto();
    // As SelectNextPhoto, with the row it selected (-1 and an empty path at the end).
    std::pair<int, QString> selectNextFile();
    // Marks a row, whether or not it is selected (a parallel run reports rows behind the
    // selection).
    void markFileDone(int row);
    void markFileFailed(int row, const QString& reason);
    QString SelectPreviousPhoto();
    const std::vector<FileListItem>& fileItems() const { return m_fileItems; }
    int selectedFileRow() const;

    // Template list.
    void LoadTemplateList();
    void AddTemplateItem(const QString& name);
    void RemoveTemplateItem(const QString& name);
    void RenameSelectedTemplate(const QString& newName);
    int SelectedTemplateIndex();
    QString SelectedTemplateName();
    void selectTemplateRow(int row);
    const std::vector<TemplateListItem>& templateItems() const { return m_templateItems; }

    // Toolbar.
    void EnableRemoveButton(bool enable);
    void EnablePreviewButton(bool enable);
    void EnableProcessButton(bool enable);
    void EnableStopButton(bool enable);
    // While a run is under way, adding photos leaves the remove, preview and process buttons
    // as the run set them; the run restores them when it ends.
    void setBatchRunning(bool running) { m_batchRunning = running; }
    bool isBatchRunning() const { return m_batchRunning; }
    // After photos were added: enables remove, preview and process unless a run is under way.
    void enableFileButtons();
    // Shows a run's progress in the file list's hint label; an empty text brings the hint back.
    void showRunProgress(const QString& text);

    void Notify(const SkinNotify& msg) override;

signals:
    // The template list's selection changed (empty name: nothing selected).
    void templateSelectionChanged(const QString& name);

private:
    template <typename F> auto onUiThread(F function) -> decltype(function());
    void EnableButton(QAbstractButton* button, bool enable);
    SkinListContainerElement* buildFileRow(const FileListItem& item);
    SkinListContainerElement* buildTemplateRow(const TemplateListItem& item);
    void setStatusPicture(const QString& picture, const QString& tip);
    void setRowStatus(int row, const QString& picture, const QString& tip);
    void sendMessageToWindow(int message, int code);

    QPointer<QWidget> m_window;
    MainDlgOwner* m_owner = nullptr;
    SkinManager* m_skin = nullptr;
    SkinFrame* m_frame = nullptr;
    QString m_error;
    OpenFileChooser m_chooser;
    bool m_batchRunning = false;

    std::vector<FileListItem> m_fileItems;
    std::vector<TemplateListItem> m_templateItems;

    QPointer<QWidget> m_programNameLabel;
    QPointer<QLabel> m_hintLabel;
    QString m_hint;
    QPointer<QAbstractButton> m_menuButton, m_minButton, m_maxButton, m_restoreButton, m_closeButton;
    QPointer<QAbstractButton> m_addButton, m_removeButton, m_previewButton, m_processButton, m_stopButton,
        m_resizeButton, m_preferenceButton;
    QPointer<QAbstractButton> m_addTemplateButton, m_menuTemplateButton;
    QPointer<SkinList> m_templateList;
    QPointer<SkinList> m_fileList;
};
