#pragma once

#include "app/BatchRun.h"
#include "app/StopEvent.h"
#include "services/imaging/text/LogFontW.h"
#include "services/language/InterfaceLanguage.h"

#include <QWidget>
#include <memory>

class CMainDlgUI;
class CMyDropTarget;
class CXMenu;
class QMenu;
class RunFeedback;
class WindowMessageEvent;

// The program's main window. Its surface is the skin (CMainDlgUI), whose signals it carries
// out, as it does the commands of the menus and the private window messages; it starts and
// stops batch runs, and on closing stores the selected template's index and removes the
// preview cache. The windows it opens are provided elsewhere: it asks for them with its
// signals (nothing opens while none is connected).
class CLumoraDlg : public QWidget
{
    Q_OBJECT
public:
    explicit CLumoraDlg(QWidget* parent = nullptr);
    ~CLumoraDlg() override;

    // The single main window, or nullptr.
    static CLumoraDlg* instance();

    // The main window's initialisation: skin, menus, drop target, first-start files, template
    // list, quick start, title, "report_me.log". False when the skin cannot be loaded.
    bool initDialog();
    QString errorString() const { return m_error; }

    CMainDlgUI* ui() const { return m_ui; }
    CMyDropTarget* dropTarget() const { return m_dropTarget; }
    QMenu* helpMenu() const { return m_helpMenu; }
    // The window menu of the caption (right click): window commands and the about item.
    QMenu* windowMenu() const { return m_windowMenu; }
    CXMenu* templateMenu() const { return m_templateMenu; }
    QString enteredName() const { return m_enteredName; }
    const LOGFONTW& defaultFontRecord() const { return m_defaultFont; }
    // The progress bars, the end bar and the notification of batch runs.
    RunFeedback* runFeedback() const { return m_runFeedback; }

    // The main window's current values that renders read (see RenderSettings): the selected
    // template, its copy of the resize settings and the resize switch. The output settings
    // and choices come in as each run and preview render reads its files.
    RenderSettings currentSettings() const;
    // Reads "resizing_config.ini" into the main window's copy: before the output preview opens
    // and as a run starts, so a change made in the resizing window shows at the next of them.
    void LoadResizeSettings();
    // "调整图片的大小": off at start, set when the resizing window closes, never stored.
    bool resizePictures() const { return m_settings.resizePictures; }
    void setResizePictures(bool on) { m_settings.resizePictures = on; }

    // What the batch run uses instead of the real renderer, settings and file browser.
    void setBatchServices(BatchRun::Services services) { m_batchServices = std::move(services); }
    bool isBatchRunning() const;
    // Keeps the event loop running until the current run has ended; false on time-out.
    bool waitForBatchRun(int timeoutMs = 30000);

    void showMainMenu(const QPoint& globalPos);
    void previewPhoto();
    // A menu command (EditTemplateCommand and the menus' items); unknown numbers do nothing.
    void onCommand(int commandId);

    // Commands.
    void StartBatchRun();
    void StopBatchRun();
    void newTemplate();
    void deleteSelectedTemplate();
    void RenameSelectedTemplate();
    void showTemplateMenu(const QPoint& globalPos);
    // Carries out one private window message.
    void handleWindowMessage(int message, qint64 wParam, qint64 lParam);
    // Opens the template editor for the selected template, then shows the templates it added.
    void editTemplate();

    // Where a window stored at `stored` opens on screens with these work areas (the primary
    // first): in its place when its caption is on a screen, its size kept within that
    // screen; otherwise centred on the primary screen. Empty when nothing was stored.
    static QRect placeOnScreens(const QRect& stored, const QList<QRect>& screens);

signals:
    // A batch run has ended (its worker is gone).
    void batchRunFinished(const BatchRun::Summary& summary);
    // The windows the main window opens, each with the main window as its parent.
    void outputPreviewRequested();
    void resizingWindowRequested();
    void preferencesWindowRequested();
    void templateEditorRequested();
    void aboutWindowRequested();
    void systemAboutWindowRequested();
    void quickStartRequested();
    // The update check: the program's version and whether it reports "latest version" too (a
    // request by the user); its answers come back as window messages.
    void updateCheckRequested(int major, int minor, int build, bool quiet);
    // At start: the crash reporter is to watch the data folder.
    void crashReporterRequested(const QString& dataFolder);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The place, size and maximised state of the last closing (config.ini).
    void restoreGeometry();
    void buildMenus();
    // The keyboard shortcuts of the toolbar (Ctrl+O, Delete, F5 and Ctrl+Enter, Escape,
    // Ctrl+,), each working its button as a click would, and named in the button's tooltip.
    void buildShortcuts();
    // The help menu's language submenu: Chinese, English or the system's, ticked as stored.
    QMenu* buildLanguageMenu();
    // Keeps the choice in config.ini; the interface changes at the next start.
    void chooseLanguage(InterfaceLanguage::Choice choice);
    void onBatchFinished(const BatchRun::Summary& summary);
    void finishWindow();
    QStringList templateNames() const;
    // The selected template's name; empty, after telling the person `noSelection`, when none
    // is selected.
    QString selectedTemplateOrSay(const QString& noSelection);
    // Carries out a numbered command: a menu command (message 0) or a private message with
    // its code; false when the number names none.
    bool runNumbered(int message, qint64 code);
    void connectSurface();
    void showTemplateMenuAtCursor();
    void filesAdded();
    void checkForUpdates();
    void openSettingsFolder();
    void openHomePage();
    void openSupportPage();
    void runFeedbackProgram();
    void resetDefaults();
    // At start, when the template list exists but cannot be read: says which file and why,
    // leaves it as it is, and offers to rebuild it from the template files of the folder.
    void offerTemplateListRebuild();

    QString m_enteredName;
    CMainDlgUI* m_ui = nullptr;
    int m_version[3] = {0, 0, 0};
    LOGFONTW m_defaultFont;
    QMenu* m_helpMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    CXMenu* m_templateMenu = nullptr;
    CMyDropTarget* m_dropTarget = nullptr;
    RunFeedback* m_runFeedback = nullptr;
    std::unique_ptr<BatchRun> m_batch;
    StopEvent m_stop;
    BatchRun::Services m_batchServices;
    // The resize values and switch (the template is the list's, the output settings the files').
    RenderSettings m_settings;
    // The file the runs of this window wrote last, which the file browser shows after a run
    // that wrote nothing.
    QString m_lastOutputPath;
    QString m_error;
    bool m_closing = false;
    bool m_finished = false;
};
