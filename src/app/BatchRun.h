#pragma once

#include "model/RenderSettings.h"
#include "render/ComposeWatermark.h"
#include "render/RenderRequest.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <thread>

class CMainDlgUI;
class StopEvent;

// One batch run: stamps every photo of the main window's file list with the selected
// template, several at a time (one per core), driven from a worker thread. The worker walks
// the list by moving its selection to each photo it takes, so a click on another row during
// the run makes it continue after that row; rows are marked in the order they were taken. Each photo's
// template is the one selected when its render starts; every other setting is taken once at the start:
// the main window's values it is given, and the files read by Services::loadSettings.
// Every list and toolbar change goes through CMainDlgUI's thread-safe operations. At its start every row goes
// back to the ready picture, so no mark of an earlier run outlives it. Before a photo is stamped, an output
// plan refuses outputs that would replace a photo of the list or the output of a photo before it.
// While it runs, the file list's hint label shows its progress (ProgressText); the hint comes back at its
// end.
class BatchRun
{
    Q_DECLARE_TR_FUNCTIONS(BatchRun)

public:
    // Renders one photo of the run by the request the run made for it.
    using Renderer = std::function<ComposeOutcome(const RenderRequest& request)>;

    // What the run needs from the outside; every member has a default (the real one).
    struct Services
    {
        // Reads the output settings and choices of the run into `run` (see
        // RenderSettings::reloadOutputChoices); a sentence when the output preferences cannot be
        // read whole (the run then stamps nothing).
        std::function<QString(RenderSettings& run)> loadSettings;
        Renderer render; // one photo in batch mode
        std::function<void(const QString& path)> showInFileBrowser;
        // Told (on the user-interface thread) why the default file browser call could not show
        // the output folder.
        std::function<void(const QString& problem)> fileBrowserProblem;
        // Told on the worker after each photo: the photos done and the run's total so far.
        std::function<void(int done, int total)> progress;
        // Photos stamped at once; 0: one per core. With 1 a photo is taken only when the one
        // before it is marked.
        int threads = 0;
        // Milliseconds since the run started (for the estimate of the time left); by default
        // a steady clock started with the run.
        std::function<qint64()> elapsedMs;
    };

    struct Summary
    {
        int processed = 0;
        int failed = 0;
        QStringList failures; // "path: reason", one per failed photo
        bool stopped = false;
        int notProcessed = 0;  // photos left in the list when the run was stopped
        QString settingsError; // the run did not start: the output preferences cannot be read
        QString lastOutputPath;
        QString outputFolder; // the output settings' folder of the run
        qint64 elapsedMs = 0; // from the start of the run to its end
    };

    // `settings`: the main window's values as the run starts (the resize switch among them);
    // `lastOutput`: the file an earlier run of this window wrote last (empty: none).
    BatchRun(CMainDlgUI* ui, StopEvent* stop, RenderSettings settings, QString lastOutput, Services services);
    // Waits for the worker.
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Starts the worker. `finished` is called on the worker thread as its last act.
    void start(std::function<void(const Summary&)> finished);
    // Waits for the worker to end. Must not be called on the user-interface thread while the
    // worker may still need it (use the event loop then).
    void join();
    // Leaves out the file browser at the end (the program is closing).
    void setQuiet(bool quiet) { m_quiet.store(quiet); }

    // What the main window tells at the end of a run: the counts of photos stamped, failed
    // and (after a stop) not processed, with the failed photos' reasons; or why the run did
    // not start. Empty when every photo of the list was stamped.
    static QString endMessage(const Summary& summary);

    // The progress shown in the main window during a run: "done/total", and once a photo is
    // done, the time left estimated from the mean time per photo so far.
    static QString progressText(int done, int total, qint64 elapsedMs);

private:
    void work(const std::function<void(const Summary&)>& finished);
    // Stamps the list from its first row until its end or a stop, by the run's settings.
    void walk(const RenderRequest& run, Summary& summary);

    CMainDlgUI* m_ui;
    StopEvent* m_stop;
    RenderSettings m_settings;
    QString m_lastOutput;
    Services m_services;
    std::thread m_thread;
    std::atomic<bool> m_quiet{false};
};
