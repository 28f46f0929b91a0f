#include "render/BatchRunner.h"

#include "services/language/FailureReason.h"

#include <QHash>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

#include "render/OutputPlan.h"

namespace {

struct Slot
{
    BatchRunner::Task task;
    ComposeOutcome outcome;
    bool done = false;
};

ComposeOutcome failedWith(const QString& reason)
{
    return ComposeOutcome(Outcome::failure(reason));
}

} // namespace

BatchRunner::BatchRunner(const OutputSettings& output, const QStringList& sources, Render render)
    : m_output(output), m_sources(sources), m_render(std::move(render))
{
}

BatchRunner::Totals BatchRunner::run(int threads, const NextPhoto& next, const Report& report,
                                     const StopTest& stop)
{
    Totals totals;
    const int width = std::max(1, threads);
    OutputPlan plan(m_output, m_sources);
    // A photo taken again (the desktop's walk can be sent back to an earlier row) gets the
    // decision of its first claim again: it writes its own output again, and is not refused as
    // a second claim of that output (nor given a new numbered name).
    QHash<QString, OutputPlan::Claim> claimed;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Slot>> inFlight;
    bool exhausted = false;

    // The workers run on the application's thread pool: the painter then does its fills on
    // the worker's own thread instead of handing each batch of spans to other threads.
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() < width)
        pool->setMaxThreadCount(width);

    for (;;) {
        while (int(inFlight.size()) < width && !exhausted && !totals.stopped) {
            if (stop && stop()) {
                totals.stopped = true;
                break;
            }
            const std::optional<Photo> photo = next();
            if (!photo) {
                exhausted = true;
                break;
            }
            ++totals.taken;
            auto slot = std::make_shared<Slot>();
            slot->task.photo = *photo;
            slot->task.number = photo->tag >= 0 ? photo->tag + 1 : totals.taken;
            auto known = claimed.constFind(photo->path);
            if (known == claimed.constEnd())
                known = claimed.insert(photo->path, plan.claim(photo->path));
            const OutputPlan::Claim claim = known.value();
            slot->task.plannedOutput = claim.output;
            inFlight.push_back(slot);
            if (claim.kind() != Outcome::Kind::Done) {
                // Refused, or an output that exists left as it is: no render.
                slot->outcome = ComposeOutcome(claim, claim.skipped() ? claim.output : QString());
                slot->done = true;
                continue;
            }
            pool->start([this, slot, &mutex, &changed]() {
                ComposeOutcome outcome;
                try {
                    outcome = m_render(slot->task);
                } catch (const std::exception& error) {
                    outcome = failedWith(
                        FailureReason::tr("internal error: %1").arg(QString::fromLocal8Bit(error.what())));
                } catch (...) {
                    outcome = failedWith(FailureReason::tr("internal error"));
                }
                // Notified under the lock: run() cannot return (and its lock go away) before
                // this task lets go of it.
                std::lock_guard lock(mutex);
                slot->outcome = std::move(outcome);
                slot->done = true;
                changed.notify_all();
            });
        }
        if (inFlight.empty())
            break;
        const std::shared_ptr<Slot> head = inFlight.front();
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&]() { return head->done; });
        }
        inFlight.pop_front();
        report(head->task.photo, head->outcome);
    }
    return totals;
}
