#pragma once

#include "services/skin/SkinList.h"
#include "services/skin/SkinListView.h"
#include "services/skin/SkinNotifier.h"
#include "ui/skin/FileListItem.h"
#include "ui/skin/TemplateListItem.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <vector>

class PhotoInspector;
class PhotoListModel;
class PhotoRowDelegate;
class SkinFrame;
class SkinListContainerElement;
class SkinManager;
class QAction;
class QLabel;
class QMenu;
class QWidget;

// The skinned surface of the main window: builds "maindlg.xml" into the main dialog's window,
// gives it the frameless frame, owns the file list and the template list with their item
// records, and turns clicks into its signals, which the main window carries out.
//
// SelectFileRow, SelectNextPhoto, MarkSelectedFileDone, MarkSelectedFileFailed,
// SelectNextFile, MarkFileDone, MarkFileFailed, MarkAllFilesReady, FilePaths,
// FilesAfterSelection, ShowRunProgress, currentTemplateName and the four Enable operations may be
// called from the batch worker, which never waits for the window: an Enable operation then
// emits the change, which the user-interface thread applies; the list operations work on the list's model
// under its lock, and what they change on the screen (marks, the selection and its scrolling, the progress
// hint) is gathered and shown at most kUpdateIntervalMs apart, so that a run of many small photos is not held
// up by the window. Everything else belongs to the user-interface thread.
//
// The file list is a model/view list (PhotoListModel, drawn by PhotoRowDelegate): several
// rows may be selected, Delete removes them all, its menu clears it and switches the
// thumbnails; each photo added is checked in the background (PhotoInspector) and marked
// failed with the reason at once when it cannot be decoded.
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
    bool InitSkin(QWidget* window);
    QString errorString() const { return m_error; }

    QWidget* window() const { return m_window; }
    SkinManager* skin() const { return m_skin; }
    SkinFrame* frame() const { return m_frame; }
    QWidget* FindControl(const QString& name) const;
    SkinListView* fileList() const { return m_fileList; }
    PhotoListModel* fileModel() const { return m_fileModel; }
    PhotoInspector* inspector() const { return m_inspector; }
    // The file list's menu (right click): clear the list, show thumbnails.
    QMenu* fileListMenu() const { return m_fileMenu; }
    QAction* clearListAction() const { return m_clearAction; }
    QAction* thumbnailsAction() const { return m_thumbnailsAction; }
    // The most often the screen follows a run's changes: about 30 times a second.
    static constexpr int kUpdateIntervalMs = 33;
    SkinList* templateList() const { return m_templateList; }

    // The open-file dialog's filter text.
    static QString openFileFilter();
    // The same filter in the form Qt's file dialog takes.
    static QString qtOpenFileFilter();
    void setOpenFileChooser(OpenFileChooser chooser);
    // The folder the add-photos dialog opens in: the folder of the photos chosen last.
    QString addPhotosFolder() const { return m_addPhotosFolder; }

    // File list.
    void AddFilesByDialog();
    void AddFileItem(const QString& path);
    // Adds the paths not yet in the list, in one step; returns how many were added.
    int addFileItems(const QStringList& paths);
    bool containsFile(const QString& path) const;
    // Removes every selected row (nothing without a selection).
    void RemoveSelectedFile();
    // Empties the list (not while a run is under way).
    void clearFileList();
    // The status picture of a row, below the program folder ("skin/default/ok.png"), and
    // the reason of a failed row.
    QString fileStatusPicture(int row) const;
    QString fileFailureReason(int row) const;
    // Shows at once what the batch worker changed (the timer does it otherwise).
    void applyRunUpdates();
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
    const std::vector<FileListItem>& fileItems() const;
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
    // The name of the selected template as the last selection change left it (empty: none);
    // safe to call from any thread, for a run's worker that takes it as each photo starts.
    QString currentTemplateName() const;

    // Toolbar.
    void EnableRemoveButton(bool enable);
    void EnablePreviewButton(bool enable);
    void EnableProcessButton(bool enable);
    void EnableStopButton(bool enable);
    // While a run is under way, adding photos leaves the remove, preview and process buttons
    // as the run set them; the run restores them when it ends.
    // The background checks wait meanwhile, leaving the cores to the run.
    void setBatchRunning(bool running);
    bool isBatchRunning() const { return m_batchRunning; }
    // After photos were added: enables remove, preview and process unless a run is under way.
    void enableFileButtons();
    // Shows a run's progress in the file list's hint label; an empty text brings the hint back.
    void showRunProgress(const QString& text);

    void notify(const SkinNotify& msg) override;

    // The toolbar buttons a run turns on and off.
    enum class RunButton : int
    {
        Remove,
        Preview,
        Process,
        Stop
    };

signals:
    // The template list's selection changed (empty name: nothing selected).
    void templateSelectionChanged(const QString& name);
    // What the person asks of the main window.
    void mainMenuRequested(const QPoint& globalPos); // the menu button
    void previewRequested();                         // preview button (with photos), photo double click
    void batchRequested();                           // process button
    void stopRequested();
    void resizingRequested();
    void preferencesRequested();
    void newTemplateRequested();
    void templateMenuRequested();
    void templateEditorRequested(); // template double click
    // A button's state is to change; applied on the user-interface thread whatever thread
    // emitted it.
    void runButtonChangeRequested(int button, bool enable);

private:
    void setCurrentTemplateName(const QString& name);
    void applyRunButton(int button, bool enable);
    SkinListContainerElement* buildTemplateRow(const TemplateListItem& item);
    void setUpFileList();
    void inspectAdded(const std::vector<FileListItem>& items);
    void onChecked(std::int32_t id, const QString& reason);
    void showThumbnails(bool show);
    void updateFileCount();
    // From the batch worker: the screen is to follow the model's changes soon.
    void requestRunUpdates();
    void scheduleRunUpdates();

    QPointer<QWidget> m_window;
    SkinManager* m_skin = nullptr;
    SkinFrame* m_frame = nullptr;
    QString m_error;
    OpenFileChooser m_chooser;
    bool m_batchRunning = false;

    std::vector<TemplateListItem> m_templateItems;
    PhotoListModel* m_fileModel = nullptr;
    PhotoRowDelegate* m_rowDelegate = nullptr;
    PhotoInspector* m_inspector = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_clearAction = nullptr;
    QAction* m_thumbnailsAction = nullptr;
    QString m_addPhotosFolder;
    qreal m_pixelRatio = 1.0; // the window's, for thumbnails
    QPointer<QLabel> m_countLabel;
    QString m_countText;
    // The gathering of a run's screen changes.
    QTimer m_updateTimer;
    QElapsedTimer m_sinceUpdate;
    std::atomic<bool> m_updateScheduled{false};
    bool m_followingWalk = false; // the selection is being moved to the walk row
    mutable QMutex m_templateLock;
    QString m_currentTemplate;
    QMutex m_hintLock;
    QString m_pendingHint;
    bool m_hintPending = false;

    QPointer<QWidget> m_programNameLabel;
    QPointer<QLabel> m_hintLabel;
    QString m_hint;
    QPointer<QAbstractButton> m_menuButton, m_minButton, m_maxButton, m_restoreButton, m_closeButton;
    QPointer<QAbstractButton> m_addButton, m_removeButton, m_previewButton, m_processButton, m_stopButton,
        m_resizeButton, m_preferenceButton;
    QPointer<QAbstractButton> m_addTemplateButton, m_menuTemplateButton;
    QPointer<SkinList> m_templateList;
    QPointer<SkinListView> m_fileList;
};
