#include "app/BatchRun.h"

#include "app/FileBrowser.h"
#include "app/StopEvent.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "services/folders/Folders.h"
#include "ui/skin/CMainDlgUI.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex lastOutputLock;
QString lastOutput;

void RememberLastOutput(const QString& path)
{
    QMutexLocker lock(&lastOutputLock);
    lastOutput = path;
}
} // namespace

QString BatchRun::LastOutputPath()
{
    QMutexLocker lock(&lastOutputLock);
    return lastOutput;
}

BatchRun::BatchRun(CMainDlgUI* ui, StopEvent* stop, Services services)
    : m_ui(ui), m_stop(stop), m_services(std::move(services))
{
    if (!m_services.loadSettings) {
        m_services.loadSettings = []() {
            LoadPreferences();
            LoadResizeSettings();
        };
    }
    if (!m_services.render) {
        m_services.render = [](const QString& path) {
            return ComposeWatermarkOutcome(ComposeMode::BatchOutput, path);
        };
    }
    if (!m_services.showInFileBrowser)
        m_services.showInFileBrowser = ShowInFileBrowser;
}

BatchRun::~BatchRun()
{
    Join();
}

void BatchRun::Start(std::function<void(const Summary&)> finished)
{
    Join();
    m_running.store(true);
    m_thread = std::thread([this, finished = std::move(finished)]() { Work(finished); });
}

void BatchRun::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BatchRun::Work(const std::function<void(const Summary&)>& finished)
{
    Summary summary;
    m_services.loadSettings();
    m_ui->SelectFileRow(-1);
    QString path = m_ui->SelectNextPhoto();
    while (!path.isEmpty()) {
        if (m_stop->TryConsume()) {
            summary.stopped = true;
            break;
        }
        const ComposeOutcome outcome = m_services.render(path);
        ++summary.processed;
        if (outcome.ok) {
            if (!outcome.outputPath.isEmpty()) {
                summary.lastOutputPath = outcome.outputPath;
                RememberLastOutput(outcome.outputPath);
            }
            m_ui->MarkSelectedFileDone();
        } else {
            // A photo that could not be stamped is marked as failed, with the reason.
            ++summary.failed;
            const QString reason =
                outcome.error.isEmpty() ? QStringLiteral("未能写入输出文件。") : outcome.error;
            summary.failures.append(QStringLiteral("%1: %2").arg(path, reason));
            m_ui->MarkSelectedFileFailed(reason);
        }
        path = m_ui->SelectNextPhoto();
    }

    if (!m_quiet.load()) {
        QString shown = LastOutputPath();
        if (shown.isEmpty()) {
            // Nothing written yet in this process: show the output folder.
            const OutputSettings settings = GetOutputSettings();
            shown = settings.OutputFolderPath.isEmpty() ? GetDocumentsFolder() : settings.OutputFolderPath;
        }
        m_services.showInFileBrowser(shown);
    }

    m_ui->EnableStopButton(false);
    m_ui->EnableRemoveButton(true);
    m_ui->EnablePreviewButton(true);
    m_ui->EnableProcessButton(true);
    m_running.store(false);
    if (finished)
        finished(summary);
}
