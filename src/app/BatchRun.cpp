#include "app/BatchRun.h"

#include "app/FileBrowser.h"
#include "app/StopEvent.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "render/BatchRunner.h"
#include "render/WatermarkCompositor.h"
#include "services/files/AtomicFileWriter.h"
#include "services/folders/Folders.h"
#include "ui/skin/CMainDlgUI.h"

#include <QElapsedTimer>
#include <QThread>
#include <memory>

QString BatchRun::endMessage(const Summary& summary)
{
    if (!summary.settingsError.isEmpty())
        return tr("批处理没有开始：无法读取输出设置。\n\n%1\n\n"
                  "请在“首选项”中检查输出设置；关闭该窗口即保存新的设置文件。")
            .arg(summary.settingsError);
    if (!summary.stopped && summary.failed == 0)
        return QString();
    const int done = summary.processed - summary.failed;
    QString text = summary.stopped ? tr("批处理已停止：") : tr("批处理已完成：");
    // Counted forms, for languages whose nouns change with the number.
    text += tr("%n 张照片已加上水印，", nullptr, done) + tr("%n 张照片失败", nullptr, summary.failed);
    if (summary.stopped)
        text += tr("，%n 张照片因停止而未处理", nullptr, summary.notProcessed);
    text += tr("。");
    if (!summary.failures.isEmpty()) {
        QStringList lines = summary.failures.mid(0, 10);
        if (summary.failures.size() > lines.size())
            lines.append(tr("……"));
        text += tr("\n\n未能加上水印的照片：\n") + lines.join(QLatin1Char('\n'));
    }
    return text;
}

QString BatchRun::progressText(int done, int total, qint64 elapsedMs)
{
    QString text = tr("已处理 %1/%2").arg(done).arg(total);
    if (done <= 0 || done >= total)
        return text;
    const qint64 left = (elapsedMs * (total - done) / done + 999) / 1000; // whole seconds, rounded up
    const QString time = left < 60 ? tr("%1 秒").arg(left)
                                   : tr("%1 分 %2 秒").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    return text + tr("，剩余约 %1").arg(time);
}

BatchRun::BatchRun(CMainDlgUI* ui, StopEvent* stop, RenderSettings settings, QString lastOutput,
                   Services services)
    : m_ui(ui), m_stop(stop), m_settings(std::move(settings)), m_lastOutput(std::move(lastOutput)),
      m_services(std::move(services))
{
    if (!m_services.loadSettings) {
        m_services.loadSettings = [](RenderSettings& run) {
            // A missing file is the first-start state: the defaults are written, as at start.
            CreateDefaultPreferences();
            return run.reloadOutputChoices();
        };
    }
    if (!m_services.render)
        m_services.render = [](const RenderRequest& request) {
            return WatermarkCompositor::render(request).outcome;
        };
    if (!m_services.showInFileBrowser) {
        m_services.showInFileBrowser = [problem = m_services.fileBrowserProblem](const QString& path) {
            showInFileBrowser(path, problem);
        };
    }
    if (!m_services.elapsedMs) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        m_services.elapsedMs = [clock]() { return clock->elapsed(); };
    }
}

BatchRun::~BatchRun()
{
    join();
}

void BatchRun::start(std::function<void(const Summary&)> finished)
{
    join();
    m_thread = std::thread([this, finished = std::move(finished)]() { work(finished); });
}

void BatchRun::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BatchRun::work(const std::function<void(const Summary&)>& finished)
{
    Summary summary;
    const qint64 start = m_services.elapsedMs();
    // Output folders are searched for leftovers of killed writes once per run.
    AtomicFileWriter::forgetSweptFolders();
    m_ui->markAllFilesReady();
    RenderSettings settings = m_settings;
    summary.settingsError = m_services.loadSettings(settings);
    summary.outputFolder = settings.output.OutputFolderPath;
    if (summary.settingsError.isEmpty())
        walk(RenderRequest::fromSettings(settings, ComposeMode::BatchOutput, QString(), QString()), summary);
    summary.elapsedMs = m_services.elapsedMs() - start;

    if (!m_quiet.load() && summary.settingsError.isEmpty()) {
        QString shown = summary.lastOutputPath.isEmpty() ? m_lastOutput : summary.lastOutputPath;
        if (shown.isEmpty()) {
            // Nothing written yet by this window: show the output folder.
            shown = summary.outputFolder.isEmpty() ? GetDocumentsFolder() : summary.outputFolder;
        }
        m_services.showInFileBrowser(shown);
    }

    m_ui->showRunProgress(QString());
    m_ui->EnableStopButton(false);
    m_ui->EnableRemoveButton(true);
    m_ui->EnablePreviewButton(true);
    m_ui->EnableProcessButton(true);
    if (finished)
        finished(summary);
}

void BatchRun::walk(const RenderRequest& run, Summary& summary)
{
    const int threads =
        m_services.threads > 0 ? m_services.threads : std::max(1, QThread::idealThreadCount());
    const QStringList paths = m_ui->filePaths();
    BatchRunner runner(run.output, paths, [this, &run](const BatchRunner::Task& task) {
        RenderRequest request = run.forPhoto(task.photo.path, task.number, task.plannedOutput);
        // The template is the one selected when the photo's render starts.
        request.templateName = m_ui->currentTemplateName();
        return m_services.render(request);
    });
    m_ui->SelectFileRow(-1);
    const qint64 start = m_services.elapsedMs();
    int taken = 0;
    m_ui->showRunProgress(progressText(0, int(paths.size()), 0));
    const auto next = [this, &taken]() -> std::optional<BatchRunner::Photo> {
        const auto [row, path] = m_ui->selectNextFile();
        if (path.isEmpty())
            return std::nullopt;
        ++taken;
        return BatchRunner::Photo{path, row};
    };
    const auto report = [this, &summary, &taken, start](const BatchRunner::Photo& photo,
                                                        const ComposeOutcome& outcome) {
        ++summary.processed;
        // The total counts the photos taken and the rows still ahead of the walk, so photos
        // added during the run and a click that moves the walk are counted as they happen.
        const int total = taken + m_ui->filesAfterSelection();
        m_ui->showRunProgress(progressText(summary.processed, total, m_services.elapsedMs() - start));
        if (m_services.progress)
            m_services.progress(summary.processed, total);
        if (outcome.ok()) {
            if (!outcome.outputPath.isEmpty())
                summary.lastOutputPath = outcome.outputPath;
            m_ui->markFileDone(photo.tag);
        } else {
            // A photo that could not be stamped is marked as failed, with the reason.
            ++summary.failed;
            const QString reason =
                outcome.sentence().isEmpty() ? tr("未能写入输出文件。") : outcome.sentence();
            summary.failures.append(QStringLiteral("%1: %2").arg(photo.path, reason));
            m_ui->markFileFailed(photo.tag, reason);
        }
    };
    const BatchRunner::Totals totals =
        runner.run(threads, next, report, [this]() { return m_stop->tryConsume(); });
    summary.stopped = totals.stopped;
    if (totals.stopped)
        summary.notProcessed = m_ui->filesAfterSelection();
}
