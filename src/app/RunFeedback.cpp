#include "app/RunFeedback.h"

#include "app/DesktopNotification.h"
#include "app/FileBrowser.h"
#include "model/OutputSettings.h"
#include "services/folders/Folders.h"
#include "services/skin/SkinListView.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/RunEndBar.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace {
// Puts `widget` into the layout that holds `beside`, right before it (or after it).
bool insertBeside(QWidget* beside, QWidget* widget, bool after)
{
    if (!beside || !beside->parentWidget())
        return false;
    auto* layout = qobject_cast<QBoxLayout*>(beside->parentWidget()->layout());
    if (!layout)
        return false;
    const int index = layout->indexOf(beside);
    if (index < 0)
        return false;
    layout->insertWidget(after ? index + 1 : index, widget);
    return true;
}
} // namespace

RunFeedback::RunFeedback(QWidget* window, CMainDlgUI* ui)
    : QObject(window), m_window(window), m_list(ui->fileList())
{
    m_endBar = new RunEndBar(window);
    QWidget* toolbar = ui->FindControl(QStringLiteral("toolbar"));
    if (!insertBeside(toolbar, m_endBar, true))
        m_endBar->setParent(window); // a skin without a toolbar: the bar floats at the top

    m_progress = new QProgressBar(window);
    m_progress->setObjectName(QStringLiteral("run_progress_bar"));
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(140, 6);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->hide();
    if (!insertBeside(ui->FindControl(QStringLiteral("file_hint_label")), m_progress, false))
        m_progress->setParent(window);

    m_notification = new DesktopNotification(this);
    connect(m_endBar, &RunEndBar::openFolderRequested, this, &RunFeedback::openOutputFolder);
    connect(m_notification, &DesktopNotification::actionInvoked, this, [this]() {
        if (m_window) {
            m_window->showNormal();
            m_window->raise();
            m_window->activateWindow();
        }
        openOutputFolder();
    });
}

RunFeedback::~RunFeedback()
{
    m_launcher.hide();
}

std::function<void(const QString&)> RunFeedback::problemReporter()
{
    QPointer<RunFeedback> self(this);
    return [self](const QString& problem) {
        if (self)
            self->reportFolderProblem(problem);
    };
}

void RunFeedback::runStarted()
{
    m_running = true;
    m_endBar->hide();
    m_endBar->setFolderProblem(QString());
    m_done.store(0);
    m_total.store(0);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->show();
    m_launcher.setProgress(0.0);
}

void RunFeedback::setProgress(int done, int total)
{
    m_done.store(done);
    m_total.store(total);
    if (m_updatePending.exchange(true))
        return;
    QMetaObject::invokeMethod(this, &RunFeedback::applyProgress, Qt::QueuedConnection);
}

void RunFeedback::applyProgress()
{
    m_updatePending.store(false);
    if (!m_running)
        return;
    const int total = qMax(1, m_total.load());
    const int done = qBound(0, m_done.load(), total);
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_launcher.setProgress(double(done) / total);
}

void RunFeedback::runFinished(const BatchRun::Summary& summary)
{
    m_running = false;
    m_progress->hide();
    m_launcher.hide();
    if (!summary.settingsError.isEmpty())
        return; // the run did not start; the main window says why

    m_shownPath = summary.lastOutputPath;
    if (m_shownPath.isEmpty()) {
        m_shownPath = summary.outputFolder.isEmpty() ? GetDocumentsFolder() : summary.outputFolder;
    }
    RunEndBar::Counts counts;
    counts.written = summary.processed - summary.failed;
    counts.failed = summary.failed;
    counts.left = summary.notProcessed;
    counts.stopped = summary.stopped;
    counts.durationMs = summary.elapsedMs;
    m_endBar->showRun(counts);
    // The bar takes room from the photo list: the row the run ended on stays in view.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (SkinListView* list = m_list.data()) {
        const QModelIndex current = list->currentIndex();
        if (current.isValid())
            list->scrollTo(current);
    }

    if (m_window && !m_window->isActiveWindow()) {
        const QString title = counts.stopped       ? tr("批处理已停止")
                              : counts.failed == 0 ? tr("批处理已完成")
                                                   : tr("批处理已完成，有照片失败");
        m_notification->Show(title, RunEndBar::summaryText(counts), tr("打开输出文件夹"));
    }
}

void RunFeedback::reportFolderProblem(const QString& problem)
{
    m_endBar->setFolderProblem(problem);
}

void RunFeedback::openOutputFolder()
{
    m_endBar->setFolderProblem(QString());
    showInFileBrowser(m_shownPath, problemReporter());
}
