#pragma once

#include "app/BatchRun.h"
#include "app/LauncherProgress.h"

#include <QObject>
#include <QPointer>
#include <atomic>

class CMainDlgUI;
class DesktopNotification;
class QProgressBar;
class RunEndBar;
class SkinListView;

// What the main window says about a batch run besides its rows. While it runs: a thin
// progress bar beside the file list's hint and the progress on the window's taskbar entry.
// At its end: the end bar under the toolbar (RunEndBar) with the counts, the time and the
// output folder's button, and, when the window is not the active one, a desktop notification
// whose action opens the output folder. When the folder cannot be shown the bar says why.
// User-interface thread, except setProgress.
class RunFeedback : public QObject
{
    Q_OBJECT
public:
    // Builds the two bars into the skinned window of `ui`.
    RunFeedback(QWidget* window, CMainDlgUI* ui);
    ~RunFeedback() override;

    void runStarted();
    // The photos done and the total; any thread. Only the newest values reach the window, at
    // most one pending update at a time.
    void setProgress(int done, int total);
    void runFinished(const BatchRun::Summary& summary);
    // The folder could not be shown: the end bar says why.
    void reportFolderProblem(const QString& problem);
    // Shows the output of the last run in the file manager (the end bar's button, the
    // notification's action).
    void openOutputFolder();

    RunEndBar* endBar() const { return m_endBar; }
    QProgressBar* progressBar() const { return m_progress; }
    DesktopNotification* notification() const { return m_notification; }
    // A callback for BatchRun::Services::fileBrowserProblem that reaches this object while it lives.
    std::function<void(const QString&)> problemReporter();

private:
    void applyProgress();

    QPointer<QWidget> m_window;
    QPointer<SkinListView> m_list; // the photo list, kept in view at the end of a run
    RunEndBar* m_endBar = nullptr;
    QProgressBar* m_progress = nullptr;
    DesktopNotification* m_notification = nullptr;
    LauncherProgress m_launcher;
    std::atomic<int> m_done{0};
    std::atomic<int> m_total{0};
    std::atomic<bool> m_updatePending{false};
    bool m_running = false;
    QString m_shownPath; // what the output folder's button shows
};
